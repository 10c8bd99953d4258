#pragma once
// Which menu items and toolbar buttons the user can reach, from the access
// level, the online state and the company. The rules are an ordered list of
// writes: a later write overrides an earlier one for the same flag, and a flag
// no rule names keeps whatever it had, so applying them is not a pure function
// of the three inputs (a Print button disabled by a log-in stays disabled).
#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

class QAction;

// The toolbar's buttons are addressed by position under this name.
inline constexpr const char* ToolbarTarget = "tbToolBar";

enum class MenuFlag { Enabled, Visible };

struct MenuStateWrite {
    const char* target; // menu array name, or ToolbarTarget
    int index;          // item index, or toolbar position
    MenuFlag flag;
    bool value;
};

struct MenuStateInputs {
    int32_t accessLevel = 0; // bit 0 set: developer access
    bool online = false;
    int32_t companyId = 0;
};

// The writes of fUpdateMenuState in their order: access level, online state,
// the fixed state, the company.
std::vector<MenuStateWrite> fMenuStateWrites(const MenuStateInputs& inputs);

// Applies the writes; an item the resolver does not find is skipped.
void fApplyMenuStateWrites(const std::vector<MenuStateWrite>& writes,
                           const std::function<QAction*(const QString& target, int index)>& resolve);
