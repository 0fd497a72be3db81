#pragma once

#include <QDialog>

class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace tolvex::platform {
class ShellServices;
}

namespace tolvex::ui {

// "Выбор папки": the machine's folders as a tree under its drives, in Windows paths. Pages
// make one on first use and keep it; each showing starts with no chosen path.
class TAddFolderDialog : public QDialog
{
    Q_OBJECT

public:
    explicit TAddFolderDialog(platform::ShellServices &shell, QWidget *parent = nullptr);

    // The folder confirmed with "Добавить"; empty when none was selected or it was cancelled.
    QString chosenPath() const { return m_chosen; }
    // Selects the node of `path` (a Windows path), opening the folders above it.
    bool selectPath(const QString &path);
    QTreeWidget *ShellTreeView = nullptr;
    QPushButton *OkButton = nullptr;
    QPushButton *CancelButton = nullptr;

    int exec() override;

private:
    void fill(QTreeWidgetItem *item);
    static QString pathOf(const QTreeWidgetItem *item);

    platform::ShellServices &m_shell;
    QString m_chosen;
};

} // namespace tolvex::ui
