#include "frmScriptInitTerm.h"

frmScriptInitTerm::frmScriptInitTerm(QWidget* parent)
    : MinimalToolDialog(QStringLiteral("frmScriptInitTerm"), parent)
{
}
