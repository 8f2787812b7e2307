// The frame and watermark requests, built from the settings on the program's side: the
// drawing library is handed the request, never the settings.
#include "imageops/frame_request.h"
#include "imageops/watermark_request.h"
#include "settings/settings.h"

namespace velmora {

FrameRequest FrameRequestFrom(const Settings& s) {
    return {s.DoFrame,        {s.SolidLeft, s.SolidRight, s.SolidTop, s.SolidBottom},
            s.SolidLeftColor, s.SolidRightColor,
            s.SolidTopColor,  s.SolidBottomColor,
            s.SolidOpacity};
}

namespace {

WatermarkPlacement PlacementFrom(const Settings& s) {
    if (s.DoWatermark == kWatermarkImage)
        return {s.WatermarkImageRotation, s.ImageXOffset,  s.ImageYOffset,
                s.ImageBoundary,          s.ImagePosition, {s.ImageSize, s.ImageScale}};
    return {s.TextRotation, s.TextXOffset,  s.TextYOffset,
            s.TextBoundary, s.TextPosition, {s.TextSize, s.TextScale}};
}

} // namespace

WatermarkRequest WatermarkRequestFrom(const Settings& s, std::string expandedText) {
    WatermarkRequest request;
    request.kind = s.DoWatermark;
    request.text = {std::move(expandedText),
                    s.TextPadding,
                    s.FontLeading,
                    s.TextAlignment,
                    s.TextAntialiasing != 0,
                    s.FontColor,
                    s.BackColor,
                    s.TextOpacity,
                    s.BackOpacity};
    request.picture = {s.WatermarkImage, s.ImageOpacity, s.ImageGreyscale != 0};
    request.placement = PlacementFrom(s);
    if (s.DoFrame != kFrameNone)
        request.frame = FrameBands{s.SolidLeft, s.SolidRight, s.SolidTop, s.SolidBottom};
    return request;
}

} // namespace velmora
