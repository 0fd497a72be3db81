#include "Dialogs.h"

#include "TAddFolderDialog.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

namespace tolvex::ui {

namespace {
struct Recorder
{
    bool on = false;
    QList<Dialogs::Shown> shown;
    QList<Dialogs::Answer> answers;
    QList<std::optional<QString>> texts;
};
Recorder &recorder()
{
    static Recorder r;
    return r;
}
std::function<void(const Dialogs::Shown &)> &shownHook()
{
    static std::function<void(const Dialogs::Shown &)> hook;
    return hook;
}
// "Label|pattern;pattern|Label|pattern" in the file dialogs' notation: a label that already
// shows its patterns in parentheses is taken as it is.
QString qtFilterOf(const QString &filter)
{
    const QStringList parts = filter.split(u'|');
    QStringList qtFilters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString patterns = QString(parts[i + 1]).replace(u';', u' ');
        qtFilters.append(parts[i].contains(u'(') ? parts[i] : parts[i] + QStringLiteral(" (") + patterns + u')');
    }
    return qtFilters.isEmpty() ? filter : qtFilters.join(QStringLiteral(";;"));
}

void record(const Dialogs::Shown &shown)
{
    recorder().shown.append(shown);
    if (shownHook())
        shownHook()(shown);
}

QMessageBox::Icon qtIcon(Dialogs::Icon icon)
{
    switch (icon) {
    case Dialogs::Icon::Information: return QMessageBox::Information;
    case Dialogs::Icon::Warning: return QMessageBox::Warning;
    case Dialogs::Icon::Error: return QMessageBox::Critical;
    case Dialogs::Icon::Question: return QMessageBox::Question;
    case Dialogs::Icon::None: break;
    }
    return QMessageBox::NoIcon;
}
} // namespace

void Dialogs::message(QWidget *parent, Icon icon, const QString &caption, const QString &text)
{
    if (recorder().on) {
        record({icon, caption, text});
        if (!recorder().answers.isEmpty())
            recorder().answers.removeFirst();
        return;
    }
    QMessageBox box(qtIcon(icon), caption, text, QMessageBox::Ok, parent);
    box.exec();
}

bool Dialogs::ask(QWidget *parent, const QString &caption, const QString &text)
{
    if (recorder().on) {
        record({Icon::Question, caption, text});
        const Answer answer = recorder().answers.isEmpty() ? Answer::Yes : recorder().answers.takeFirst();
        return answer == Answer::Yes || answer == Answer::Ok;
    }
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No, parent);
    return box.exec() == QMessageBox::Yes;
}

bool Dialogs::confirm(QWidget *parent, const QString &caption, const QString &text, Icon icon)
{
    if (recorder().on) {
        record({icon, caption, text});
        const Answer answer = recorder().answers.isEmpty() ? Answer::Ok : recorder().answers.takeFirst();
        return answer == Answer::Yes || answer == Answer::Ok;
    }
    QMessageBox box(qtIcon(icon), caption, text, QMessageBox::Ok | QMessageBox::Cancel, parent);
    return box.exec() == QMessageBox::Ok;
}

std::optional<QString> Dialogs::input(QWidget *parent, const QString &caption, const QString &prompt,
                                      const QString &text)
{
    if (recorder().on) {
        record({Icon::Question, caption, prompt});
        return recorder().texts.isEmpty() ? std::nullopt : recorder().texts.takeFirst();
    }
    bool ok = false;
    const QString typed = QInputDialog::getText(parent, caption, prompt, QLineEdit::Normal, text, &ok);
    return ok ? std::optional<QString>(typed) : std::nullopt;
}

std::optional<QString> Dialogs::chooseFolder(TAddFolderDialog &dialog)
{
    if (recorder().on) {
        record({Icon::None, dialog.windowTitle(), {}});
        return recorder().texts.isEmpty() ? std::nullopt : recorder().texts.takeFirst();
    }
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.chosenPath();
}

std::optional<QString> Dialogs::saveFile(QWidget *parent, const QString &filter, const QString &suffix)
{
    if (recorder().on) {
        record({Icon::None, QStringLiteral("save"), filter});
        return recorder().texts.isEmpty() ? std::nullopt : recorder().texts.takeFirst();
    }
    QFileDialog dialog(parent, QString(), QString(), qtFilterOf(filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(suffix.startsWith(u'.') ? suffix.mid(1) : suffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().first();
}

std::optional<QString> Dialogs::openFile(QWidget *parent, const QString &filter, const QString &folder)
{
    const QString caption = QStringLiteral("Открыть");
    if (recorder().on) {
        record({Icon::None, caption, filter});
        return recorder().texts.isEmpty() ? std::nullopt : recorder().texts.takeFirst();
    }
    const QString chosen = QFileDialog::getOpenFileName(parent, caption, folder, qtFilterOf(filter));
    return chosen.isEmpty() ? std::nullopt : std::optional<QString>(chosen);
}

QStringList Dialogs::openFiles(QWidget *parent, const QString &filter, const QString &folder)
{
    const QString caption = QStringLiteral("Открыть");
    if (recorder().on) {
        record({Icon::None, caption, filter});
        const std::optional<QString> text = recorder().texts.isEmpty() ? std::nullopt : recorder().texts.takeFirst();
        return text ? text->split(u'\n', Qt::SkipEmptyParts) : QStringList();
    }
    return QFileDialog::getOpenFileNames(parent, caption, folder, qtFilterOf(filter));
}

void Dialogs::queueText(std::optional<QString> text) { recorder().texts.append(std::move(text)); }

void Dialogs::startRecording()
{
    recorder() = Recorder{};
    recorder().on = true;
}

void Dialogs::stopRecording()
{
    recorder() = Recorder{};
    shownHook() = nullptr;
}

void Dialogs::setShownHook(std::function<void(const Shown &)> hook) { shownHook() = std::move(hook); }

QList<Dialogs::Shown> Dialogs::takeRecorded()
{
    QList<Shown> shown = recorder().shown;
    recorder().shown.clear();
    return shown;
}

void Dialogs::queueAnswer(Answer answer) { recorder().answers.append(answer); }

} // namespace tolvex::ui
