#pragma once

#include "AudioConverter.h"

#include <QPointer>
#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTreeWidget;

namespace tolvex::platform {
struct ProgramContext;
}

namespace tolvex::ui {
class TAddFolderDialog;
}

namespace tolvex::converter {

// The page sTabSheet17 ("Конвертирование"): the list of MP3 files, the output folder, the
// formats and the commands over AudioConverter.
class AudioConverterPage : public QWidget
{
    Q_OBJECT

public:
    AudioConverterPage(platform::ProgramContext &context, QWidget *parent = nullptr);

    AudioConverter &converter() { return m_converter; }

    QLineEdit *sEdit1 = nullptr; // the output folder; the main window sets it at start

    void sButton5Click(); // add files
    void vRepClick();     // add a folder
    void cDelItemClick();
    void cClearListClick();
    void sButton7Click(); // choose the output folder
    void sEdit1DblClick();
    void sButton4Click(); // convert
    void sBitBtn2Click(); // stop

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    ui::TAddFolderDialog &pathDialog();

    platform::ProgramContext &m_context;
    AudioConverter m_converter;
    QTreeWidget *sListView2 = nullptr;
    QPushButton *sBitBtn5 = nullptr;
    QPushButton *sBitBtn6 = nullptr;
    QPushButton *cDelItem = nullptr;
    QPushButton *cClearList = nullptr;
    QPushButton *sButton7 = nullptr;
    QComboBox *sComboBox2 = nullptr;
    QComboBox *sComboBox3 = nullptr;
    QPushButton *sBitBtn1 = nullptr;
    QPushButton *sBitBtn2 = nullptr;
    QProgressBar *sProgressBar3 = nullptr;
    QLabel *sLabel19 = nullptr;
    ui::TAddFolderDialog *sPathDialog1 = nullptr;
    QPointer<QWidget> m_watchedWindow;
};

} // namespace tolvex::converter
