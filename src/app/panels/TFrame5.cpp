#include "TFrame5.h"

namespace tolvex::app {

TFrame5::TFrame5(QWidget *parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("TFrame5"));
    setFrameShape(QFrame::StyledPanel);
}

} // namespace tolvex::app
