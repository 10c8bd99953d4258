#pragma once
// What a channel dialog offers until its full form is built: the dialog
// contract, the kept arguments of its last RefreshData, and a Close button.
// It unloads itself when closed.
#include "platform/ViewContract.h"

#include <QDialog>
#include <QString>

class MinimalChannelDialog : public QDialog, public IRefreshData {
    Q_OBJECT
public:
    MinimalChannelDialog(const QString& formName, QWidget* parent = nullptr);

    // Keeps the channel and the company name (the maker's name for ""), then shows itself.
    void RefreshData(pugi::xml_node node, IDeviceChannel* channel, const QString& param) override;

    IDeviceChannel* channel() const { return m_channel; }
    QString companyName() const { return m_companyName; }
    int refreshCount() const { return m_refreshCount; }

protected:
    virtual void keepChannel(IDeviceChannel* channel) { m_channel = channel; }

private:
    IDeviceChannel* m_channel = nullptr;
    QString m_companyName;
    int m_refreshCount = 0;
};
