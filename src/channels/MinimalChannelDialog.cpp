#include "MinimalChannelDialog.h"

#include "platform/AppContext.h"

void MinimalChannelDialog::takeParam(const QString& param)
{
    m_companyName = param.isEmpty() ? gCommon().CompanyName() : param;
}
