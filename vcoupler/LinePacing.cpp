#include "LinePacing.h"

int LinePacing::replyDelayMs(qsizetype requestBytes, qsizetype replyBytes) const
{
    if (baud <= 0)
        return 0;
    // Rounded up, so a paced line is never faster than the real one.
    const qint64 bits = qint64(requestBytes + replyBytes) * 10;
    return int((bits * 1000 + baud - 1) / baud);
}
