#pragma once

#include "DuplicateTables.h"
#include "KeepRules.h"
#include "shell/ShellServices.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QTableWidget;

namespace tolvex::duplicates {

// "Результат": the duplicate finder's file table as a grid, its sorts, and the commands on the
// selected rows, with the .LsD result files. It keeps no data of its own.
class TResultForm : public QDialog
{
    Q_OBJECT

public:
    TResultForm(platform::ShellServices &shell, DuplicateTables &tables, QWidget *parent = nullptr);

    // Refilled from the tables, then shown modally.
    void showModal();
    void ShowResults();
    // The folder column takes what the other four leave of the grid's width.
    void FormResize();

    void ByGroupClick() { sortBy(QStringLiteral("Double")); }
    void ByNameClick() { sortBy(QStringLiteral("Name")); }
    void BySizeClick() { sortBy(QStringLiteral("Size")); }
    void ByTimeClick() { sortBy(QStringLiteral("Time")); }
    void ByFolderClick() { sortBy(QStringLiteral("Folder")); }
    void OpenClick();
    void OpenFolderClick();
    void DeleteFromListClick();
    void DeleteToRecyleClick();
    void SaveToFileClick();
    void LoadFromFileClick();
    // The keep rules: every file of each group is ticked but the one the rule keeps.
    void KeepRuleClick(KeepRule rule);
    void UntickAllClick();
    // The ticked files become hard links to (or clones of) the file their group keeps.
    void ReplaceClick(platform::LinkKind kind);

    // The selected rows, top to bottom (a contiguous range); none with an empty table.
    QList<qsizetype> selectedRows() const;
    void selectRows(int first, int last);

    QTableWidget *DoublesList = nullptr;
    QLabel *DoubleKeys = nullptr;

    static const QString fileFilter;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void sortBy(const QString &key);
    void tickChanged(int row, int column);

    platform::ShellServices &m_shell;
    DuplicateTables &m_tables;
    bool m_filling = false;
};

} // namespace tolvex::duplicates
