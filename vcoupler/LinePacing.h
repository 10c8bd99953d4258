#pragma once
// A pseudo-terminal moves bytes at once; a real serial line needs ten bit
// times a byte. With a baud rate set, a reply goes out only after the request
// and the reply would have crossed such a line.
#include <QtGlobal>

struct LinePacing {
    int baud = 0; // 0: no pacing

    // Milliseconds from the end of the request until the reply may go out.
    int replyDelayMs(qsizetype requestBytes, qsizetype replyBytes) const;
};
