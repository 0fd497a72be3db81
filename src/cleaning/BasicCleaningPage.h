#pragma once

#include "BasicCleaning.h"

#include <QWidget>

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace tolvex::cleaning {

// The page sTabSheet1 ("Windows"): the two choices, the counters and status, the listing and
// the two commands over BasicCleaning.
class BasicCleaningPage : public QWidget
{
    Q_OBJECT

public:
    BasicCleaningPage(platform::ShellServices &shell, QWidget *parent = nullptr);

    BasicCleaning &cleaning() { return m_cleaning; }

    QCheckBox *sCheckBox1 = nullptr; // the browser cache
    QCheckBox *sCheckBox3 = nullptr; // the system's temporary files

    void sButton1Click(); // "Анализ"
    void sButton2Click(); // "Очистить"

private:
    void updateButtons();

    BasicCleaning m_cleaning;
    QLabel *STProv = nullptr;
    QLabel *IESize = nullptr;
    QLabel *sLabel4 = nullptr;
    QPlainTextEdit *sMemo1 = nullptr;
    QPushButton *sButton1 = nullptr;
    QPushButton *sButton2 = nullptr;
    QProgressBar *sProgressBar1 = nullptr;
    bool m_cleanAllowed = false; // an analysis enabled "Очистить", no clean has used it yet
};

} // namespace tolvex::cleaning
