#pragma once
// The settings view classes chosen by number or name: the class list of
// register-based terminals and integrated modules, and the coupler's fieldbus
// settings class.
#include <QString>
#include <cstdint>

// ProgID of the settings view of a register-based channel by module or terminal
// number; "" when the list names no class. Used on controller stations and for
// the generic integrated module.
QString fUxSettingsClass(int32_t id);

// The fieldbus settings class for a coupler's class key (a six-character head,
// or a box coupler's three-digit variant); "" when no row holds the key.
QString fFieldbusSettingsClass(const QString& classKey);
