#include "modMenuState.h"

#include <QAction>
#include <initializer_list>

namespace {

constexpr const char* Project = "mnuProjectItem";
constexpr const char* Online = "mnuOnlineItem";
constexpr const char* Option = "mnuOptionItem";
constexpr const char* DevChannel = "mnuDevChannelItem";

class Writer {
public:
    explicit Writer(std::vector<MenuStateWrite>& out) : m_out(out) {}

    void enabled(const char* target, std::initializer_list<int> indexes, bool value)
    {
        for (int i : indexes)
            m_out.push_back({target, i, MenuFlag::Enabled, value});
    }
    void visible(const char* target, std::initializer_list<int> indexes, bool value)
    {
        for (int i : indexes)
            m_out.push_back({target, i, MenuFlag::Visible, value});
    }

private:
    std::vector<MenuStateWrite>& m_out;
};

void accessLevelRules(Writer& w, int32_t accessLevel)
{
    if ((accessLevel & 1) != 0) {
        w.visible(Online, {11}, true);
        w.enabled(Online, {12}, true);
        w.visible(Online, {12}, true);
        w.visible(Project, {9}, true);
        w.enabled(Online, {14}, true);
        w.enabled(Project, {19}, true);
    } else {
        w.visible(Online, {11, 13, 14}, false);
        w.enabled(Online, {12}, false);
        w.visible(Online, {12}, false);
        w.enabled(Project, {19}, false);
        w.visible(Project, {9}, false);
    }
}

void onlineRules(Writer& w, bool online)
{
    w.enabled(Online, {1}, !online);
    w.enabled(Online, {2}, online);
    w.enabled(Online, {4, 7, 8, 10, 12, 15}, online);
    w.enabled(Project, {1, 2, 3, 5}, !online);
    w.enabled(Project, {6, 8}, false);
    w.enabled(Project, {9}, true);
    w.enabled(Option, {1}, !online);
    w.enabled(ToolbarTarget, {1, 2, 3}, !online);
    if (online)
        w.enabled(ToolbarTarget, {4}, false); // offline leaves Print as it is
    w.enabled(ToolbarTarget, {9}, !online);
    w.enabled(ToolbarTarget, {10, 14}, online);
}

void fixedRules(Writer& w)
{
    w.enabled(Project, {1, 2, 3, 5, 6, 8, 9, 11, 19}, false);
    w.enabled(Online, {4, 10, 12}, false);
    w.enabled(DevChannel, {2}, false);
    w.enabled(ToolbarTarget, {1, 2, 3}, false);
    w.enabled(Project, {12}, true);
}

void companyRules(Writer& w, int32_t companyId)
{
    if (companyId != 0 && companyId != 3)
        return;
    w.enabled(Project, {1, 2, 3, 5, 6, 8, 9, 11, 12}, false);
    w.visible(Project, {1, 2, 3, 5, 6, 8, 9, 11, 12}, false);
    w.visible(Project, {19, 4, 7, 10, 13, 18, 20}, false);
    w.visible(Online, {4, 6, 10, 11}, false);
    if (companyId == 3)
        w.visible(Online, {12, 13, 16}, false);
}

} // namespace

std::vector<MenuStateWrite> fMenuStateWrites(const MenuStateInputs& inputs)
{
    std::vector<MenuStateWrite> writes;
    Writer w(writes);
    accessLevelRules(w, inputs.accessLevel);
    onlineRules(w, inputs.online);
    fixedRules(w);
    companyRules(w, inputs.companyId);
    return writes;
}

void fApplyMenuStateWrites(const std::vector<MenuStateWrite>& writes,
                           const std::function<QAction*(const QString& target, int index)>& resolve)
{
    for (const MenuStateWrite& write : writes) {
        QAction* action = resolve(QLatin1String(write.target), write.index);
        if (!action)
            continue;
        if (write.flag == MenuFlag::Enabled)
            action->setEnabled(write.value);
        else
            action->setVisible(write.value);
    }
}
