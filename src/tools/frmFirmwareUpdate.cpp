#include "frmFirmwareUpdate.h"

frmFirmwareUpdate::frmFirmwareUpdate(QWidget* parent)
    : MinimalDialog(QStringLiteral("frmFirmwareUpdate"), parent)
{
}

QString frmFirmwareUpdate::fFirmwareMode(const QString& param)
{
    const QString load = QStringLiteral("FIRMWARE_LOAD");
    return param.toUpper() == load ? load : QStringLiteral("FIRMWARE_UPDATE");
}
