#include "media_columns.h"

#include "media_probe.h"

namespace vidmorph {

std::optional<TMediaColumns> ProbeColumns(TAVProbe& AProbe, const std::string& AFileName) {
    if (!AProbe.OpenFile(AFileName, "")) return std::nullopt;
    const TMediaInfoTexts texts = MediaInfoTexts(AProbe);
    const TMediaColumns columns{texts.VideoSize, texts.FrameRate, texts.Duration};
    AProbe.CloseFile();
    return columns;
}

}  // namespace vidmorph
