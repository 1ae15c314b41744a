#include "preview_player.h"

#include <QAudioOutput>
#include <QMediaPlayer>
#include <QUrl>
#include <QVBoxLayout>
#include <QVideoWidget>

namespace vidmorph {

namespace {

class TMediaPreview final : public IPreviewPlayer {
public:
    explicit TMediaPreview(QWidget& AVideoPanel) : video_(new QVideoWidget(&AVideoPanel)) {
        video_->setObjectName("MoviePlayer1");
        auto* layout = new QVBoxLayout(&AVideoPanel);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(video_);
        player_.setAudioOutput(&audio_);
        player_.setVideoOutput(video_);
    }
    ~TMediaPreview() override { player_.stop(); }

    void SetFileName(const QString& AFileName) override { player_.setSource(QUrl::fromLocalFile(AFileName)); }
    void Play() override { player_.play(); }
    void Pause() override { player_.pause(); }
    void Stop() override { player_.stop(); }

private:
    QVideoWidget* video_;  // owned by the panel
    QAudioOutput audio_;   // outlives the player that plays into it
    QMediaPlayer player_;
};

}  // namespace

std::unique_ptr<IPreviewPlayer> MakeMediaPreview(QWidget& AVideoPanel) {
    return std::make_unique<TMediaPreview>(AVideoPanel);
}

}  // namespace vidmorph
