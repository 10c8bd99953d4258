#include "frmProcData.h"

frmProcData::frmProcData(QWidget* parent)
    : MinimalViewForm(QStringLiteral("frmProcData"), QStringLiteral("Prozessabbild"), QStringLiteral("Process image"), parent)
{
}
