#pragma once

#include "RegistryScan.h"
#include "TCleanThread.h"

#include <QPointer>
#include <QWidget>

class QLabel;
class QPushButton;
class QTreeWidget;

namespace tolvex::platform {
struct ProgramContext;
}

namespace tolvex::registry_cleaner {


// The page sTabSheet2: the scan's rows with their ticks, "Начать", "Отмена", "Исправить" and the
// tick-all pair, over RegistryScan and RegistryFix.
class RegistryCleanerPage : public QWidget
{
    Q_OBJECT

public:
    RegistryCleanerPage(platform::ProgramContext &context, QWidget *parent = nullptr);

    // The phases "Начать" switches on; phase 2's trees lie inside phase 3's.
    bool ScanExtensions = true;
    bool ScanClassIds = false;
    bool ScanSoftware = true;

    void Button1Click();  // "Начать"
    void Button2Click();  // "Отмена"
    void Button3Click();  // "Исправить"
    void sButton10Click(); // "Выбрать все"
    void sButton21Click(); // "Отменить"
    // The start-up step: the rows' icons come from the shell at the size the list shows.
    void ShareSystemImageLists();

    bool scanning() const { return m_thread != nullptr; }
    QList<RegistryErrorRow> rows() const;

    QTreeWidget *ListView1 = nullptr;
    QPushButton *Button1 = nullptr;
    QPushButton *Button2 = nullptr;
    QPushButton *Button3 = nullptr;
    QPushButton *sButton10 = nullptr;
    QPushButton *sButton21 = nullptr;
    QLabel *Panel1 = nullptr;

signals:
    void scanFinished();

private:
    void addRow(const RegistryErrorRow &row);
    void scanEnded(quint64 rows);
    QIcon iconOf(const RegistryErrorRow &row);

    platform::ProgramContext &m_context;
    QPointer<TCleanThread> m_thread;
    bool m_fixing = false;
};

} // namespace tolvex::registry_cleaner
