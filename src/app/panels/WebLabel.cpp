#include "WebLabel.h"

#include <QMouseEvent>

namespace tolvex::app {

WebLabel::WebLabel(const QString &objectName, const QString &caption, QWidget *parent)
    : QLabel(caption, parent)
{
    setObjectName(objectName);
    // The link colour of the palette, so that the colour sliders of the options page reach it.
    setForegroundRole(QPalette::Link);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
}

void WebLabel::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        event->accept();
    else
        QLabel::mousePressEvent(event);
}

void WebLabel::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        event->accept();
        emit clicked();
        return;
    }
    QLabel::mouseReleaseEvent(event);
}

void WebLabel::enterEvent(QEnterEvent *event)
{
    setUnderline(true);
    QLabel::enterEvent(event);
}

void WebLabel::leaveEvent(QEvent *event)
{
    setUnderline(false);
    QLabel::leaveEvent(event);
}

void WebLabel::setUnderline(bool on)
{
    QFont f = font();
    f.setUnderline(on);
    setFont(f);
}

} // namespace tolvex::app
