#pragma once
// The shell's program-wide state around the station tree, gathered so a
// test can build a fresh one. The first context made becomes current.
#include "clsView.h"

#include <array>
#include <cstdint>
#include <memory>
#include <pugixml.hpp>

class ShellContext {
public:
    ShellContext();
    ~ShellContext();
    ShellContext(const ShellContext&) = delete;
    ShellContext& operator=(const ShellContext&) = delete;

    static ShellContext* current();
    static void setCurrent(ShellContext* context);

    clsViews gViews;
    int32_t gNodeCounter = 0;          // never reset: keys stay unique for the run
    pugi::xml_node gCurrentStation;    // the station the tree shows
    pugi::xml_node gStationNode;       // the station read at the last log-in
    std::shared_ptr<pugi::xml_document> gStationDocument; // keeps gStationNode alive

    int32_t m_LastReadStatus = 0;      // of the last register read of the text infos
    std::array<int32_t, 256> m_Table100{};
    int32_t m_ViewDocumentCount = 0;   // OpenViewDocument
    int32_t m_ViewDocument2Count = 0;  // OpenViewDocument2
};

inline ShellContext& shell() { return *ShellContext::current(); }
