// Feeds arbitrary bytes to the reference-list loader and looks every name up again.
#include "platform/clsRefList.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    RefListCollection list;
    clsRefList earlier;
    earlier.setNameCompID1(QStringLiteral("X1"));
    list.add(earlier);
    const bool loaded = readRefList(reinterpret_cast<const char*>(data), size, list);
    if (!loaded && list.count() != 1)
        __builtin_trap(); // a file that does not load leaves the list as it was
    for (const clsRefList& entry : list.entries()) {
        if (list.find(entry.NameCompID1()) != &entry)
            __builtin_trap(); // every key finds its own entry: names equal but for case were dropped
        (void)fGetNameCompID2(list, entry.NameCompID1());
        (void)fGetNameCompID3(list, entry.NameCompID1().toLower());
    }
    return 0;
}
