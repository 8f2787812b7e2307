// The frame and watermark requests, built from the settings on the program's side: the
// drawing library is handed the request, never the settings.
#include "imageops/frame_request.h"
#include "imageops/watermark_request.h"
#include "settings/settings.h"

namespace velmora {

namespace {

FrameBands BandsFrom(const Settings& s) {
    return {.left = s.SolidLeft, .right = s.SolidRight, .top = s.SolidTop, .bottom = s.SolidBottom};
}

WatermarkPlacement PlacementFrom(const Settings& s) {
    if (ChoiceOf<WatermarkKind>(s.DoWatermark) == WatermarkKind::Image)
        return {.rotation = s.WatermarkImageRotation,
                .xOffset = s.ImageXOffset,
                .yOffset = s.ImageYOffset,
                .boundary = ChoiceOf<Boundary>(s.ImageBoundary),
                .position = ChoiceOf<Position>(s.ImagePosition),
                .size = {.mode = ChoiceOf<SizeMode>(s.ImageSize), .scale = s.ImageScale}};
    return {.rotation = s.TextRotation,
            .xOffset = s.TextXOffset,
            .yOffset = s.TextYOffset,
            .boundary = ChoiceOf<Boundary>(s.TextBoundary),
            .position = ChoiceOf<Position>(s.TextPosition),
            .size = {.mode = ChoiceOf<SizeMode>(s.TextSize), .scale = s.TextScale}};
}

} // namespace

FrameRequest FrameRequestFrom(const Settings& s) {
    return {.kind = ChoiceOf<FrameKind>(s.DoFrame),
            .bands = BandsFrom(s),
            .leftColor = s.SolidLeftColor,
            .rightColor = s.SolidRightColor,
            .topColor = s.SolidTopColor,
            .bottomColor = s.SolidBottomColor,
            .opacity = s.SolidOpacity};
}

WatermarkRequest WatermarkRequestFrom(const Settings& s, std::string expandedText) {
    WatermarkRequest request{
        .kind = ChoiceOf<WatermarkKind>(s.DoWatermark),
        .text = {.text = std::move(expandedText),
                 .padding = s.TextPadding,
                 .leading = s.FontLeading,
                 .alignment = ChoiceOf<Alignment>(s.TextAlignment),
                 .antialiasing = s.TextAntialiasing != 0,
                 .fontColor = s.FontColor,
                 .backColor = s.BackColor,
                 .textOpacity = s.TextOpacity,
                 .backOpacity = s.BackOpacity},
        .picture = {.file = s.WatermarkImage,
                    .opacity = s.ImageOpacity,
                    .greyscale = s.ImageGreyscale != 0},
        .placement = PlacementFrom(s),
    };
    if (ChoiceOf<FrameKind>(s.DoFrame) != FrameKind::None)
        request.frame = BandsFrom(s);
    return request;
}

} // namespace velmora
