#include "frmScriptInitTerm.h"

frmScriptInitTerm::frmScriptInitTerm(QWidget* parent)
    : MinimalDialog(QStringLiteral("frmScriptInitTerm"), parent)
{
}
