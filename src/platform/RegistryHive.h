#pragma once
// One hive of the settings store and its file format: <Hive> holding nested
// <Key Name="..."> and <Value Name="..." Type="Text|DWord|Binary"> elements.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <cstdint>
#include <map>
#include <optional>

enum class RegType { Text, DWord, Binary };

struct RegValue {
    RegType type = RegType::Text;
    QString text;       // RegType::Text
    uint32_t dword = 0; // RegType::DWord
    QByteArray binary;  // RegType::Binary

    static RegValue fromText(const QString& t) { return {RegType::Text, t, 0, {}}; }
    static RegValue fromDWord(uint32_t v) { return {RegType::DWord, {}, v, {}}; }
    static RegValue fromBinary(const QByteArray& b) { return {RegType::Binary, {}, 0, b}; }
    bool operator==(const RegValue& other) const;
};

struct RegistryKey {
    QString name;                                                   // as first written
    std::map<QString, RegistryKey> children;                        // by lower-case name
    std::map<QString, std::pair<QString, RegValue>> values;         // lower-case name -> (name as written, value)
    bool operator==(const RegistryKey& other) const = default;
};

// Keys nest at most this deep, so every hive the store saves can be read again.
inline constexpr int kRegistryMaxKeyDepth = 60;

// The hive of a file's text; nothing when the text is damaged (not the format, or nested too deep).
std::optional<RegistryKey> parseHive(QByteArrayView data);
QByteArray hiveText(const RegistryKey& hive);
