#include "RegistryCleanerPage.h"

#include "Dialogs.h"
#include "ErrorBox.h"
#include "ProgramContext.h"
#include "RegistryFix.h"
#include "ReferenceRules.h"
#include "TCleanThread.h"
#include "events/PendingEvents.h"
#include "text/PathParts.h"

#include "Named.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace tolvex::registry_cleaner {

using ui::Dialogs;
using ui::named;

namespace {

constexpr int ValueNameRole = Qt::UserRole;

} // namespace

RegistryCleanerPage::RegistryCleanerPage(platform::ProgramContext &context, QWidget *parent)
    : QWidget(parent), m_context(context)
{
    setObjectName(QStringLiteral("sTabSheet2"));
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(4, 4, 4, 4);
    auto *group = new QGroupBox(QStringLiteral("Реестр"), this);
    auto *layout = new QVBoxLayout(group);
    outer->addWidget(group);

    ListView1 = named(new QTreeWidget(group), "ListView1");
    ListView1->setToolTip(QStringLiteral("Отображаются найденые ошибки в реестре"));
    ListView1->setHeaderLabels({QStringLiteral("Тип ошибки"), QStringLiteral("Параметр"), QStringLiteral("Раздел"),
                                QStringLiteral("Ключ реестра")});
    ListView1->setRootIsDecorated(false);
    ListView1->setUniformRowHeights(true);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->header()->setSectionsClickable(false);
    ListView1->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    layout->addWidget(ListView1, 1);

    auto *groups = new QHBoxLayout;
    auto *start = new QGroupBox(QStringLiteral("Начать сканирование"), group);
    auto *startLayout = new QHBoxLayout(start);
    Button1 = named(new QPushButton(QStringLiteral("Начать"), start), "Button1");
    startLayout->addWidget(Button1);
    // As narrow as its button: the four of "Действия" need the room.
    start->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Preferred);
    groups->addWidget(start);
    auto *actions = new QGroupBox(QStringLiteral("Действия"), group);
    auto *actionsLayout = new QGridLayout(actions);
    Button2 = named(new QPushButton(QStringLiteral("Отмена"), actions), "Button2");
    Button3 = named(new QPushButton(QStringLiteral("Исправить"), actions), "Button3");
    sButton10 = named(new QPushButton(QStringLiteral("Выбрать все"), actions), "sButton10");
    sButton21 = named(new QPushButton(QStringLiteral("Отменить"), actions), "sButton21");
    Button2->setEnabled(false);
    Button3->setEnabled(false);
    sButton21->setVisible(false);
    actionsLayout->addWidget(Button2, 0, 0);
    actionsLayout->addWidget(Button3, 0, 1);
    // The tick-all pair share one place; one of them is shown at a time.
    actionsLayout->addWidget(sButton10, 1, 0);
    actionsLayout->addWidget(sButton21, 1, 0);
    groups->addWidget(actions, 1);
    layout->addLayout(groups);
    Panel1 = named(new QLabel(group), "Panel1");
    Panel1->setFrameShape(QFrame::StyledPanel);
    layout->addWidget(Panel1);

    connect(Button1, &QPushButton::clicked, this, &RegistryCleanerPage::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &RegistryCleanerPage::Button2Click);
    connect(Button3, &QPushButton::clicked, this, [this] { ui::guarded(this, [this] { Button3Click(); }); });
    connect(sButton10, &QPushButton::clicked, this, &RegistryCleanerPage::sButton10Click);
    connect(sButton21, &QPushButton::clicked, this, &RegistryCleanerPage::sButton21Click);
}

void RegistryCleanerPage::ShareSystemImageLists()
{
    const int small = style()->pixelMetric(QStyle::PM_SmallIconSize);
    ListView1->setIconSize(QSize(small, small));
}

QIcon RegistryCleanerPage::iconOf(const RegistryErrorRow &row)
{
    // The icon of the kind of file the row names: an extension's own, a reference's target.
    QString path = row.Parameter;
    if (row.Hive != u"HKCR") {
        QString referenced;
        if (ExtractReferencedFile(row.Parameter, referenced))
            path = referenced;
    }
    const QIcon icon = QIcon::fromTheme(m_context.shell.iconName(QStringLiteral("C:\\x") + text::extractFileExt(path)));
    return icon.isNull() ? style()->standardIcon(QStyle::SP_FileIcon) : icon;
}

void RegistryCleanerPage::addRow(const RegistryErrorRow &row)
{
    auto *item = new QTreeWidgetItem(ListView1, {row.ErrorType, row.Parameter, row.Hive, row.KeyPath});
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(0, Qt::Unchecked);
    item->setData(0, ValueNameRole, row.ValueName);
    item->setIcon(0, iconOf(row));
}

QList<RegistryErrorRow> RegistryCleanerPage::rows() const
{
    QList<RegistryErrorRow> list;
    for (int i = 0; i < ListView1->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *item = ListView1->topLevelItem(i);
        list.append({item->text(0), item->text(1), item->text(2), item->text(3), item->data(0, ValueNameRole).toString()});
    }
    return list;
}

void RegistryCleanerPage::Button1Click()
{
    if (m_thread || m_fixing)
        return;
    Button1->setEnabled(false);
    ListView1->clear();
    m_thread = new TCleanThread(m_context.machine.registry(), m_context.shell, this);
    m_thread->scan().ScanExtensions = ScanExtensions;
    m_thread->scan().ScanClassIds = ScanClassIds;
    m_thread->scan().ScanSoftware = ScanSoftware;
    connect(m_thread, &TCleanThread::statusChanged, Panel1, &QLabel::setText);
    connect(m_thread, &TCleanThread::rowFound, this, &RegistryCleanerPage::addRow);
    connect(m_thread, &TCleanThread::scanEnded, this, &RegistryCleanerPage::scanEnded);
    m_thread->start();
    Button2->setEnabled(true);
    sButton21->setVisible(false);
    sButton10->setVisible(true);
}

void RegistryCleanerPage::Button2Click()
{
    if (m_thread)
        m_thread->cancel();
}

void RegistryCleanerPage::scanEnded(quint64 rows)
{
    m_thread = nullptr;
    Button2->setEnabled(false);
    // A fix pass running now sets the buttons when it ends.
    if (!m_fixing) {
        Button1->setEnabled(true);
        if (rows > 0)
            Button3->setEnabled(true);
    }
    emit scanFinished();
}

void RegistryCleanerPage::sButton10Click()
{
    if (ListView1->topLevelItemCount() == 0)
        return;
    for (int i = 0; i < ListView1->topLevelItemCount(); ++i)
        ListView1->topLevelItem(i)->setCheckState(0, Qt::Checked);
    sButton10->setVisible(false);
    sButton21->setVisible(true);
}

void RegistryCleanerPage::sButton21Click()
{
    if (ListView1->topLevelItemCount() == 0)
        return;
    for (int i = 0; i < ListView1->topLevelItemCount(); ++i)
        ListView1->topLevelItem(i)->setCheckState(0, Qt::Unchecked);
    sButton21->setVisible(false);
    sButton10->setVisible(true);
}

void RegistryCleanerPage::Button3Click()
{
    if (m_fixing)
        return;
    std::optional<QString> backup;
    if (Dialogs::confirm(this, QStringLiteral("Tolvex"), QStringLiteral("Сохранить резервную копию исправляемых значений?"),
                         Dialogs::Icon::Information))
        backup = Dialogs::saveFile(this, QStringLiteral("Registry files|*.reg"), QStringLiteral(".reg"));

    // The rows present now, as a running scan may still add some; each one's tick is read when
    // the pass reaches it. With a backup only the rows ticked now are candidates: a row ticked
    // later is not in the backup, so it is not fixed.
    QList<int> indexes;
    QList<RegistryErrorRow> candidates;
    const QList<RegistryErrorRow> all = rows();
    for (int i = 0; i < all.size(); ++i)
        if (!backup || ListView1->topLevelItem(i)->checkState(0) == Qt::Checked) {
            indexes.append(i);
            candidates.append(all[i]);
        }
    m_fixing = true;
    // A new scan would clear the rows under the pass.
    for (QPushButton *b : {Button1, Button3, sButton10, sButton21})
        b->setEnabled(false);
    RegistryFix fix(m_context.machine.registry());
    platform::EventPump pump(0);
    RegistryFix::Hooks hooks;
    hooks.between = [&pump] { pump.pumpNow(); };
    hooks.stillWanted = [&](int i) { return ListView1->topLevelItem(indexes[i])->checkState(0) == Qt::Checked; };
    hooks.fixedRow = [&](int i) { ListView1->topLevelItem(indexes[i])->setText(0, RegistryFix::fixedText); };
    const RegistryFix::Outcome outcome = fix.fixRows(candidates, backup, hooks);
    m_fixing = false;
    for (QPushButton *b : {Button3, sButton10, sButton21})
        b->setEnabled(true);
    Button1->setEnabled(!m_thread);
    if (ListView1->topLevelItemCount() == 0)
        Button3->setEnabled(false);
    const QStringList saveErrors = m_context.finishCommand();
    if (!outcome.backupError.isEmpty())
        Dialogs::message(this, Dialogs::Icon::Error, QStringLiteral("Ошибка"), outcome.backupError);
    if (!saveErrors.isEmpty())
        ui::showErrorBox(this, saveErrors.join(u'\n'));
}

} // namespace tolvex::registry_cleaner
