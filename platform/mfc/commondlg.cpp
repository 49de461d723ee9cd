// The file and colour dialogs over Qt's own (not the system's native ones,
// so that a child template's controls can join them).
#include <QtWidgets/QColorDialog>
#include <QtWidgets/QFileDialog>
#include <QtWidgets/QGridLayout>

#include "afxdlgs.h"
#include "afxqt.h"

IMPLEMENT_DYNAMIC(CFileDialog, CDialog)
IMPLEMENT_DYNAMIC(CColorDialog, CDialog)

namespace {

// "Name|*.a;*.b|Other|*.c||" as Qt's name filters "Name (*.a *.b)".
QStringList NameFilters(const CString& filter) {
  QStringList parts = AfxToQString(filter).split('|');
  QStringList filters;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    if (parts[i].isEmpty()) break;
    QString patterns = parts[i + 1];
    filters << QString("%1 (%2)").arg(parts[i], patterns.replace(';', ' '));
  }
  return filters;
}

}  // namespace

// CFileDialog

CFileDialog::CFileDialog(BOOL openFileDialog, LPCSTR defaultExt, LPCSTR fileName, DWORD flags, LPCSTR filter,
                         CWnd* parent)
    : m_bOpen(openFileDialog),
      m_strDefaultExt(defaultExt ? defaultExt : ""),
      m_strFileName(fileName ? fileName : ""),
      m_strFilter(filter ? filter : "") {
  m_ofn.Flags = flags;
  m_pParentForDialog = parent;
}

QWidget* CFileDialog::CreateWidget(QWidget* parent) {
  auto* dialog = new QFileDialog(parent);
  dialog->setOption(QFileDialog::DontUseNativeDialog);
  dialog->setAcceptMode(m_bOpen ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
  dialog->setFileMode(m_bOpen && (m_ofn.Flags & OFN_FILEMUSTEXIST) ? QFileDialog::ExistingFile
                                                                    : QFileDialog::AnyFile);
  if (!m_strDefaultExt.IsEmpty()) dialog->setDefaultSuffix(AfxToQString(m_strDefaultExt).remove(0, m_strDefaultExt[0] == '.' ? 1 : 0));
  QStringList filters = NameFilters(m_strFilter);
  if (!filters.isEmpty()) dialog->setNameFilters(filters);
  if (m_ofn.lpstrTitle) dialog->setWindowTitle(AfxToQString(m_ofn.lpstrTitle));
  if (m_ofn.lpstrInitialDir && *m_ofn.lpstrInitialDir) dialog->setDirectory(AfxToQString(m_ofn.lpstrInitialDir));
  if (!m_strFileName.IsEmpty()) dialog->selectFile(AfxToQString(m_strFileName));
  QObject::connect(dialog, &QDialog::accepted, [this, dialog] {
    if (m_strPath.IsEmpty() && !dialog->selectedFiles().isEmpty()) m_strPath = AfxFromQString(dialog->selectedFiles().first());
    if (m_nModalResult < 0) m_nModalResult = IDOK;
  });
  QObject::connect(dialog, &QDialog::rejected, [this] {
    if (m_nModalResult < 0) m_nModalResult = IDCANCEL;
  });
  return dialog;
}

INT_PTR CFileDialog::DoModal() {
  m_strPath.Empty();
  m_nModalResult = -1;
  if (!AfxDesktopActive()) return IDCANCEL;
  if (!CWnd::CreateEx(0, nullptr, nullptr, WS_POPUP, RECT{0, 0, 0, 0}, nullptr, 0)) return -1;
  auto* dialog = static_cast<QFileDialog*>(m_pWidget);
  CWnd* owner = m_pParentForDialog;
  if (owner && owner->GetWidget()) dialog->setParent(owner->GetWidget(), Qt::Dialog);
  // The child template's controls go in a row under the dialog's own.
  const AfxDialogTemplate* child = m_ofn.lpTemplateName ? AfxFindDialog(m_ofn.lpTemplateName) : nullptr;
  if (child) {
    auto* row = new QWidget(dialog);
    row->setMinimumHeight(AfxDialogUnitsToPixelsY(child->cy));
    if (auto* grid = qobject_cast<QGridLayout*>(dialog->layout())) grid->addWidget(row, grid->rowCount(), 0, 1, -1);
    for (const AfxDialogItem& item : child->items) {
      CWnd* control = AfxNewControl(item.className, item.style);
      control->m_bAutoDelete = TRUE;
      if (!control->CreateEx(0, item.className, item.text, item.style | WS_CHILD | WS_VISIBLE, RECT{0, 0, 0, 0},
                             this, item.id)) {
        delete control;
        continue;
      }
      control->GetWidget()->setParent(row);
      AfxPlaceDialogItem(control, item);
      control->GetWidget()->show();
    }
  }
  OnInitDialog();
  AfxCallModalDialogHook(this);
  if (m_nModalResult < 0) dialog->exec();
  INT_PTR result = m_nModalResult < 0 ? IDCANCEL : m_nModalResult;
  if (result == IDOK && m_strPath.IsEmpty() && !dialog->selectedFiles().isEmpty()) {
    m_strPath = AfxFromQString(dialog->selectedFiles().first());
  }
  DestroyWindow();
  return result;
}

void CFileDialog::OnOK() { EndDialog(IDOK); }

void CFileDialog::SetPathName(LPCSTR path) {
  m_strPath = path ? path : "";
  if (auto* dialog = qobject_cast<QFileDialog*>(m_pWidget)) dialog->selectFile(AfxToQString(path));
}

CString CFileDialog::GetFileName() const {
  int slash = m_strPath.ReverseFind('/');
  return slash >= 0 ? m_strPath.Mid(slash + 1) : m_strPath;
}

CString CFileDialog::GetFileTitle() const {
  CString name = GetFileName();
  int dot = name.ReverseFind('.');
  return dot > 0 ? name.Left(dot) : name;
}

CString CFileDialog::GetFileExt() const {
  CString name = GetFileName();
  int dot = name.ReverseFind('.');
  return dot >= 0 ? name.Mid(dot + 1) : CString();
}

CString CFileDialog::GetFolderPath() const {
  int slash = m_strPath.ReverseFind('/');
  return slash >= 0 ? m_strPath.Left(slash) : CString();
}

// CColorDialog

CColorDialog::CColorDialog(COLORREF initial, DWORD flags, CWnd* parent) {
  m_cc.rgbResult = initial;
  m_cc.Flags = flags;
  m_pParentForDialog = parent;
}

QWidget* CColorDialog::CreateWidget(QWidget* parent) {
  auto* dialog = new QColorDialog(parent);
  dialog->setOption(QColorDialog::DontUseNativeDialog);
  dialog->setCurrentColor(QColor(GetRValue(m_cc.rgbResult), GetGValue(m_cc.rgbResult), GetBValue(m_cc.rgbResult)));
  QObject::connect(dialog, &QDialog::accepted, [this] {
    if (m_nModalResult < 0) m_nModalResult = IDOK;
  });
  return dialog;
}

INT_PTR CColorDialog::DoModal() {
  m_nModalResult = -1;
  if (!AfxDesktopActive()) return IDCANCEL;
  if (!CWnd::CreateEx(0, nullptr, nullptr, WS_POPUP, RECT{0, 0, 0, 0}, nullptr, 0)) return -1;
  auto* dialog = static_cast<QColorDialog*>(m_pWidget);
  OnInitDialog();
  if (m_nModalResult < 0) dialog->exec();
  INT_PTR result = m_nModalResult < 0 ? IDCANCEL : m_nModalResult;
  if (result == IDOK) {
    QColor color = dialog->currentColor();
    m_cc.rgbResult = RGB(color.red(), color.green(), color.blue());
  }
  DestroyWindow();
  return result;
}

void CColorDialog::SetCurrentColor(COLORREF color) {
  if (auto* dialog = qobject_cast<QColorDialog*>(m_pWidget)) {
    dialog->setCurrentColor(QColor(GetRValue(color), GetGValue(color), GetBValue(color)));
  }
}

void CColorDialog::OnOK() { EndDialog(IDOK); }
