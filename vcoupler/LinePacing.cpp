#include "LinePacing.h"

#include "platform/ChannelProtocol.h"

int LinePacing::replyDelayMs(qsizetype requestBytes, qsizetype replyBytes) const
{
    // Rounded up, so a paced line is never faster than the real one.
    return proto::lineTimeMs(requestBytes + replyBytes, baud);
}
