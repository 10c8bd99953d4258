// Feeds arbitrary bytes to the settings-hive reader. A hive that loads must save
// and load again to the same hive, and save again to the same text.
#include "platform/RegistryHive.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::optional<RegistryKey> hive = parseHive(QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (!hive)
        return 0;
    const QByteArray saved = hiveText(*hive);
    const std::optional<RegistryKey> reloaded = parseHive(saved);
    if (!reloaded || !(*reloaded == *hive))
        __builtin_trap(); // a setting changed or was lost between save and load
    if (hiveText(*reloaded) != saved)
        __builtin_trap();
    return 0;
}
