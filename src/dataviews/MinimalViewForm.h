#pragma once
// The least a device data view offers until its full form is built: the view
// contract, a caption in the UI language, and the arguments of its last
// RefreshData.
#include "platform/ViewContract.h"

#include <QString>
#include <QWidget>

class QLabel;

class MinimalViewForm : public QWidget, public IRefreshData {
    Q_OBJECT
public:
    MinimalViewForm(const QString& formName, const QString& germanCaption, const QString& englishCaption,
                    QWidget* parent = nullptr);

    void RefreshData(pugi::xml_node node, IDeviceChannel* channel, const QString& param) override;

    pugi::xml_node node() const { return m_node; }
    IDeviceChannel* channel() const { return m_channel; }
    QString params() const { return m_params; }
    int refreshCount() const { return m_refreshCount; }

private:
    QLabel* m_caption;
    pugi::xml_node m_node;
    IDeviceChannel* m_channel = nullptr;
    QString m_params;
    int m_refreshCount = 0;
};
