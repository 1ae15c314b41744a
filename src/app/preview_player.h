// The preview player: plays one file by name. The window uses four
// operations; the real player is QMediaPlayer showing its picture in a
// QVideoWidget, tests use a replacement that records the calls.
#pragma once

#include <QString>
#include <memory>

class QWidget;

namespace vidmorph {

class IPreviewPlayer {
public:
    virtual ~IPreviewPlayer() = default;
    virtual void SetFileName(const QString& AFileName) = 0;
    virtual void Play() = 0;
    virtual void Pause() = 0;
    virtual void Stop() = 0;
};

// A QMediaPlayer with sound output whose picture fills AVideoPanel (the
// video widget is named "MoviePlayer1").
std::unique_ptr<IPreviewPlayer> MakeMediaPreview(QWidget& AVideoPanel);

}  // namespace vidmorph
