// Feeds arbitrary bytes to the script loader and reads them as both kinds of script.
#include "tools/ScriptFile.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const char seed[] = "<Script><Desc>seed</Desc></Script>";
    ScriptDocument document;
    if (!document.loadBuffer(seed, std::strlen(seed)))
        __builtin_trap();
    const bool loaded = document.loadBuffer(reinterpret_cast<const char*>(data), size);
    const pugi::xml_node script = document.script();
    QString desc;
    if (GetScriptDesc(script, desc) != bool(script))
        __builtin_trap();
    if (!loaded && desc != QLatin1String("seed"))
        __builtin_trap(); // a file that does not load keeps the previous script

    size_t tables = 0;
    for (pugi::xml_node t = script.child("Table"); t; t = t.next_sibling("Table"))
        ++tables;
    if (readCouplerScript(script).tables.size() != tables)
        __builtin_trap();
    const TerminalScript terminal = readTerminalScript(script);
    for (const ScriptRegister& reg : terminal.registers) {
        if (!reg.value.ok())
            continue;
        // A value the reader gives is a register word, and one it reads back.
        const RegisterWord again = terminalScriptValue(QString::number(reg.value.word));
        if (reg.value.word < 0 || reg.value.word > 65535 || !again.ok() || again.word != reg.value.word)
            __builtin_trap();
    }
    return 0;
}
