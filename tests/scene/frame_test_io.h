// .x input and output of small object trees for the frame and animation
// tests: reads a file into data objects of the frame and animation classes
// (references by name among the objects read before) and writes a tree back.
#pragma once

#include <dxfile.h>
#include <xfiledataobject.h>

#include <memory>
#include <string>
#include <vector>

namespace frame_test {

using ObjectList = std::vector<std::unique_ptr<CXFileDataObject>>;

// The top-level objects of .x text, or an empty list (and a failure) when it
// does not read. Animations and sets are finished as the loader does it.
ObjectList ReadObjects(const std::string& text, bool* ok);

// Writes the objects with their children, owned ones nested and references
// by name, into a file in the given format.
bool WriteObjects(const std::string& path, const std::vector<CXFileDataObject*>& objects, DXFILEFORMAT format);

// Reads a file that WriteObjects wrote.
ObjectList ReadFile(const std::string& path, bool* ok);

}  // namespace frame_test
