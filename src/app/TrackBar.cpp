#include "TrackBar.h"

namespace tolvex::app {

TrackBar::TrackBar(const char *objectName, int minimum, int maximum, int position, QWidget *parent)
    : QSlider(Qt::Horizontal, parent)
{
    setObjectName(QString::fromLatin1(objectName));
    setRange(minimum, maximum);
    setValue(position);
    setPageStep(10);
}

void TrackBar::mouseReleaseEvent(QMouseEvent *event)
{
    QSlider::mouseReleaseEvent(event);
    emit mouseUp();
}

} // namespace tolvex::app
