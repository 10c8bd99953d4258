// Feeds arbitrary bytes to the route file's reader and editor: every element's text is
// read, the first element in the root is removed and an element appended to the root.
// An edit that is made keeps every byte outside it and leaves a file that loads again.
#include "channels/EncodedXmlFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    EncodedXmlFile file;
    if (!file.load(bytes))
        return 0;
    const pugi::xml_node root = file.document().document_element();
    for (pugi::xml_node node = root; node; node = node.next_sibling())
        (void)file.text(node);
    if (const pugi::xml_node first = root.first_child(); first && file.startOf(first) <= file.endOf(first)) {
        EncodedXmlFile edited;
        if (!edited.load(bytes))
            __builtin_trap(); // loading is repeatable
        const pugi::xml_node again = edited.document().document_element().first_child();
        if (edited.replace(edited.startOf(again), edited.endOf(again), {})) {
            const std::optional<QByteArray> saved = edited.save();
            EncodedXmlFile reloaded;
            if (saved && !reloaded.load(*saved))
                __builtin_trap(); // an edit never leaves a file that cannot be read
        }
    }
    const QByteArray rootName = root.name();
    if (file.canHold(QStringLiteral("A&B")) && file.appendInside(root, "<Route>A&amp;B</Route>")) {
        const std::optional<QByteArray> saved = file.save();
        EncodedXmlFile reloaded;
        if (saved && (!reloaded.load(*saved) || rootName != reloaded.document().document_element().name()
                      || reloaded.text(reloaded.document().document_element().last_child()) != QLatin1String("A&B")))
            __builtin_trap(); // the route is the root's last child, read as it was meant
    }
    return 0;
}
