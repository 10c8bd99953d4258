#include "RegistryFunctions.h"

#include "platform/Dialogs.h"
#include "platform/RegistryStore.h"

uint32_t GetMainKeyHandle(const QString& rootName)
{
    static const std::pair<const char*, uint32_t> roots[] = {
        {"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},         {"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
        {"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},       {"HKEY_USERS", HKEY_USERS},
        {"HKEY_PERFORMANCE_DATA", HKEY_PERFORMANCE_DATA}, {"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG},
        {"HKEY_DYN_DATA", HKEY_DYN_DATA},
    };
    for (const auto& [name, handle] : roots)
        if (rootName == QLatin1String(name))
            return handle;
    return 0;
}

void ParseKey(QString& keyText, uint32_t& root, IDialogs& dialogs)
{
    root = 0;
    if (!keyText.startsWith(QLatin1String("HKEY_")) || keyText.endsWith(QLatin1Char('\\'))) {
        dialogs.MsgBox(QStringLiteral("Incorrect Format:\n\n") + keyText, vbOKOnly, QString());
        return;
    }
    const qsizetype p = keyText.indexOf(QLatin1Char('\\'));
    if (p < 0) {
        root = GetMainKeyHandle(keyText);
        keyText.clear();
        return;
    }
    root = GetMainKeyHandle(keyText.left(p));
    keyText = keyText.mid(p + 1);
}

std::optional<QByteArray> GetBinaryValue(const RegistryStore& store, IDialogs& dialogs, const QString& fullKey,
                                         const QString& valueName)
{
    QString keyPath = fullKey;
    uint32_t root = 0;
    ParseKey(keyPath, root, dialogs);
    if (root == 0)
        return std::nullopt;
    const std::optional<RegValue> v = store.value(root, keyPath, valueName);
    if (!v)
        return std::nullopt;
    switch (v->type) {
    case RegType::Binary: return v->binary;
    case RegType::Text: return v->text.toLatin1();
    case RegType::DWord: {
        QByteArray bytes(4, '\0');
        for (int i = 0; i < 4; ++i)
            bytes[i] = char((v->dword >> (8 * i)) & 0xFF);
        return bytes;
    }
    }
    return std::nullopt;
}

int32_t RegKeyCreate(RegistryStore& store, uint32_t root, const QString& keyPath)
{
    if (store.keyExists(root, keyPath))
        return 2;
    return store.createKey(root, keyPath) ? 1 : 0;
}

bool fStringSpeichernLong(RegistryStore& store, uint32_t root, const QString& keyPath, const QString& valueName,
                          const QByteArray& data)
{
    QByteArray six = data.left(6);
    six.append(6 - six.size(), '\0');
    return store.setValue(root, keyPath, valueName, RegValue::fromBinary(six));
}

bool fStringSpeichernDWord(RegistryStore& store, uint32_t root, const QString& keyPath, const QString& valueName,
                           uint32_t data)
{
    return store.setValue(root, keyPath, valueName, RegValue::fromDWord(data));
}

QString ErrorMsg(int32_t code)
{
    switch (code) {
    case 2:
    case 1010: return QStringLiteral("Bad Key Name");
    case 4:
    case 1012: return QStringLiteral("Can't Read Key");
    case 5: return QStringLiteral("Access to this key is denied");
    case 8:
    case 14: return QStringLiteral("Out of memory");
    case 87: return QStringLiteral("Invalid Parameter");
    case 234: return QStringLiteral("There is more data than the Buffer has been allocated to hold.");
    case 1009:
    case 1015: return QStringLiteral("The Registry Database is corrupt! ");
    case 1011: return QStringLiteral("Can't Open Key");
    case 1013: return QStringLiteral("Can't Write Key");
    default: break;
    }
    // Numbers keep the classic leading blank for a missing sign.
    const QString number = code < 0 ? QString::number(code) : QStringLiteral(" ") + QString::number(code);
    return QStringLiteral("Undefined Error Code:  ") + number;
}
