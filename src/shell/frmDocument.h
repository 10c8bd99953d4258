#pragma once
// A document window of the main window's MDI area hosting one view by ProgID.
// A ProgID the program cannot create gets the placeholder view instead.
#include <QString>
#include <QWidget>
#include <cstdint>
#include <pugixml.hpp>

class IDeviceChannel;

class frmDocument : public QWidget {
    Q_OBJECT
public:
    explicit frmDocument(QWidget* parent = nullptr);

    // Hosts the view of sProgID and hands it node, channel and params through
    // RefreshData (fKonstructor) or the operation sMethod (fKonstructor2). Always 0.
    int32_t fKonstructor(pugi::xml_node& xmlNode, IDeviceChannel* obj, const QString& sProgID,
                         const QString& vParam = {});
    int32_t fKonstructor2(pugi::xml_node& xmlNode, IDeviceChannel* obj, const QString& sProgID,
                          const QString& sMethod, const QString& vParam = {});
    // True when a view of sProgID can be created; the probe stays on the form, hidden.
    bool fValidateSpecificMenuItems(const QString& sProgID);
    void ResizeControl();
    // The hosted view's own size plus the margins ResizeControl leaves; invalid without a view.
    QSize sizeHint() const override;

    QWidget* oControl() const { return m_oControl; }
    QString m_ProgID;
    QString m_Method;

    QString Tag() const;
    void setTag(const QString& tag);

protected:
    void resizeEvent(QResizeEvent* event) override;

private Q_SLOTS:
    void oControl_ObjectEvent();

private:
    int32_t host(pugi::xml_node& xmlNode, IDeviceChannel* obj, const QString& sProgID, const QString& sMethod,
                 const QString& vParam);
    void removeControl();
    bool createControl();
    void connectEvents();

    QWidget* m_oControl = nullptr;
};
