#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QWidget;

namespace tolvex::ui {

class TAddFolderDialog;

// Every question and message the pages show goes through here, so that tests can answer and
// read them instead of a person.
class Dialogs
{
public:
    enum class Icon { None, Information, Warning, Error, Question };
    enum class Answer { Ok, Cancel, Yes, No };

    struct Shown
    {
        Icon icon;
        QString caption;
        QString text;
    };

    // A message box with an OK button.
    static void message(QWidget *parent, Icon icon, const QString &caption, const QString &text);
    // A question with Yes and No; true for Yes.
    static bool ask(QWidget *parent, const QString &caption, const QString &text);
    // A question with OK and Cancel; true for OK.
    static bool confirm(QWidget *parent, const QString &caption, const QString &text, Icon icon = Icon::Question);
    // An input box starting with `text`: what was typed, nullopt on Cancel.
    static std::optional<QString> input(QWidget *parent, const QString &caption, const QString &prompt,
                                        const QString &text = {});
    // The folder chooser: the confirmed folder (possibly empty), nullopt when cancelled.
    static std::optional<QString> chooseFolder(TAddFolderDialog &dialog);
    // The file-open chooser; `filter` pairs labels and patterns with bars ("Приложения|*.exe").
    // The first chosen file as a host path, nullopt when cancelled.
    static std::optional<QString> openFile(QWidget *parent, const QString &filter, const QString &folder = {});
    // The same chooser with several files at once: the chosen host paths in the order the chooser
    // gives them, empty when cancelled. Tests queue one text holding the names one a line.
    static QStringList openFiles(QWidget *parent, const QString &filter, const QString &folder = {});
    // A save-file dialog for one kind of file ("Registry files|*.reg" as `filter`, ".reg" as
    // `suffix`, added when the name has none): the chosen host path, nullopt when cancelled.
    static std::optional<QString> saveFile(QWidget *parent, const QString &filter, const QString &suffix);

    // For tests: from now on nothing is shown; each box is recorded and answered from the queue
    // (Yes when it is empty).
    static void startRecording();
    static void stopRecording();
    static QList<Shown> takeRecorded();
    static void queueAnswer(Answer answer);
    // Answers input boxes, folder and file choosers in turn (nullopt: Cancel; an empty queue
    // cancels).
    static void queueText(std::optional<QString> text);
    // For tests: runs at the moment a recorded box is shown, to look at what surrounds it then.
    static void setShownHook(std::function<void(const Shown &)> hook);
};

} // namespace tolvex::ui
