#include "ShellContext.h"

namespace {
ShellContext* g_current = nullptr;
}

ShellContext::ShellContext()
{
    if (g_current == nullptr)
        g_current = this;
}

ShellContext::~ShellContext()
{
    if (g_current == this)
        g_current = nullptr;
}

ShellContext* ShellContext::current()
{
    return g_current;
}

void ShellContext::setCurrent(ShellContext* context)
{
    g_current = context;
}
