#pragma once
// The coupler sections of the description builder: the top-level view order,
// the settings container, the register-table list and the sub-device.
#include "DescriptionBuild.h"

#include <QString>
#include <vector>

// The whole coupler branch, in its fixed order.
void fBuildCouplerDescription(DescriptionBuild& build);

// The class key: characters 9-11 of a box coupler's name, else the six-character head.
QString fCouplerClassKey(const QString& name, bool compactBox);

// One view row of the settings container.
struct SettingsViewRow {
    QString desc1031, desc1033, icon, progId, userData;
};
// The settings container's rows, or nothing when the coupler gets no container
// (hasContainer false). A container may exist and stay empty.
std::vector<SettingsViewRow> fCouplerSettingsViews(const QString& name, bool compactBox, int32_t reg246,
                                                   int32_t firmwareWord, bool& hasContainer);

// "NNN: name" of a coupler register table (names from the string table's 3000 + n).
QString fCouplerTableCaption(int32_t table);

// Fills gTableLength[0..127] from the length directory or, when it cannot be read,
// by probing each table. Returns false when nothing could be learnt (directory and
// every probe failed, or the probe stopped at a dead link).
bool fDiscoverCouplerTables(DescriptionBuild& build);
