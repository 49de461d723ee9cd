// The sounds that the program asked to play, recorded by this test program's
// own PlaySoundA (it stands in for the platform's).
#pragma once

#include <string>
#include <vector>

// The file names (without folders) played so far, oldest first.
std::vector<std::string> PlayedSounds();
void ForgetPlayedSounds();
// While set, every sound throws a message string instead of playing.
void SetSoundsThrow(bool raise);
