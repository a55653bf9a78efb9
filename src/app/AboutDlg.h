#pragma once
#include <QDialog>

// Dialog 100: the program's name, version and legal notice. Closed by OK, Enter or Esc.
class CAboutDlg : public QDialog
{
    Q_OBJECT
public:
    static constexpr int IDD = 100;

    explicit CAboutDlg(QWidget* pParent = nullptr);
};
