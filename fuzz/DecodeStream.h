#pragma once
// Runs a decoder over bytes as they arrive from a link. Every step must stay within
// the bytes and make progress (or wait for more), and every item found must encode
// back to exactly the bytes it was decoded from.
#include "platform/ChannelProtocol.h"

template <class Item, class Decode, class Encode, class Found>
void decodeStream(QByteArrayView rest, Decode decode, Encode encode, Found found)
{
    while (!rest.isEmpty()) {
        Item item;
        const proto::DecodeResult result = decode(rest, item);
        if (result.consumed < 0 || result.consumed > rest.size())
            __builtin_trap();
        if (result.status == proto::Decode::NeedMore) {
            if (result.consumed != 0)
                __builtin_trap();
            return;
        }
        if (result.consumed == 0)
            __builtin_trap(); // the reader would spin on the same bytes
        if (result.status == proto::Decode::Frame) {
            if (encode(item) != rest.first(result.consumed))
                __builtin_trap();
            found(item);
        }
        rest = rest.sliced(result.consumed);
    }
}
