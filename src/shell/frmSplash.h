#pragma once
// The splash window shown while the program starts: the company's picture and the version.
#include <QPixmap>
#include <QWidget>
#include <cstdint>
#include <memory>

class QLabel;
class HourglassGuard;

// "Version:  " + "  " + major.minor.0.revision of the program.
QString splashVersionText();
// The picture for the company, under the resource folder: Graph/Splash0Id1.bmp for 1,
// Graph/Splash0Id3.bmp for 3, else Graph/Splash0Id0.bmp.
QString splashPictureName(int32_t companyId);

class frmSplash : public QWidget {
    Q_OBJECT
public:
    // Loads at once, as the form's load does: hourglass, version, picture, topmost.
    frmSplash(int32_t companyId, const QString& pathResCommon, QWidget* parent = nullptr);
    ~frmSplash() override;

    QLabel* lblVersion() const { return m_lblVersion; }
    int32_t companyId() const { return m_companyId; }
    // Empty when the company's picture file was missing or unreadable.
    QString pictureFile() const { return m_pictureFile; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // The busy pointer stays while the splash is up.
    std::unique_ptr<HourglassGuard> m_hourglass;
    int32_t m_companyId;
    QString m_pictureFile;
    QPixmap m_picture;
    QLabel* m_lblVersion;
};
