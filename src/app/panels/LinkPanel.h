#pragma once

#include <QFrame>

namespace tolvex::app {

class PanelHost;
class WebLabel;

// A side-bar panel made of hyperlink labels, top to bottom in the order they are added.
class LinkPanel : public QFrame
{
    Q_OBJECT

public:
    LinkPanel(const char *objectName, PanelHost &host, QWidget *parent);

protected:
    WebLabel *addLink(const char *name, const QString &caption);
    void finishLinks();

    PanelHost &m_host;
};

} // namespace tolvex::app
