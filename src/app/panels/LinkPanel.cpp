#include "LinkPanel.h"

#include "WebLabel.h"

#include <QVBoxLayout>

namespace tolvex::app {

LinkPanel::LinkPanel(const char *objectName, PanelHost &host, QWidget *parent) : QFrame(parent), m_host(host)
{
    setObjectName(QString::fromLatin1(objectName));
    setFrameShape(QFrame::StyledPanel);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 8, 8, 8);
    layout->setSpacing(6);
}

WebLabel *LinkPanel::addLink(const char *name, const QString &caption)
{
    auto *label = new WebLabel(QString::fromLatin1(name), caption, this);
    layout()->addWidget(label);
    return label;
}

void LinkPanel::finishLinks()
{
    static_cast<QVBoxLayout *>(layout())->addStretch(1);
}

} // namespace tolvex::app
