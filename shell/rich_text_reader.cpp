#include "rich_text_reader.h"

#include <cstring>

void SetBlueCourierFormat(CRichEditCtrl& control) {
  CHARFORMAT format;
  format.dwMask = CFM_COLOR | CFM_FACE | CFM_BOLD;
  format.dwEffects = 0;
  format.crTextColor = RGB(0, 0, 255);
  std::strcpy(format.szFaceName, "Courier");
  control.SetDefaultCharFormat(format);
}

void AppendFileContent(CRichEditCtrl& control, CFile& file) {
  char buffer[256];
  for (;;) {
    int horizontal = control.GetScrollPos(SB_HORZ);
    int vertical = control.GetScrollPos(SB_VERT);
    UINT read = file.Read(buffer, 255);
    if (read > 0) {
      buffer[read] = '\0';
      control.ReplaceSel(buffer, FALSE);
    }
    control.SetScrollPos(SB_HORZ, horizontal, TRUE);
    control.SetScrollPos(SB_VERT, vertical, TRUE);
    if (read == 0) break;
  }
}
