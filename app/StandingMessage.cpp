#include "app/StandingMessage.h"

#include <QStatusBar>
#include <utility>

StandingMessage::StandingMessage(QStatusBar &bar) : QObject(&bar), bar_(bar)
{
    connect(&bar_, &QStatusBar::messageChanged, this, [this](const QString &shown) {
        if (shown.isEmpty() && !text_.isEmpty())
            bar_.showMessage(text_);
    });
}

void StandingMessage::show(const QString &text)
{
    text_ = text;
    bar_.showMessage(text_);
}

void StandingMessage::clear()
{
    const QString was = std::exchange(text_, QString());
    if (!was.isEmpty() && bar_.currentMessage() == was)
        bar_.clearMessage();
}
