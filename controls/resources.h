// The pictures compiled into corvane_controls: the button icons, named by
// their image ids, the program icon and the idle picture.
#pragma once

#include <QString>

namespace controls {

// Registers the compiled-in resources. A static library's resources are not
// registered by themselves (nothing would pull their object file in), so every
// program and test that links corvane_controls calls this once, after the
// application object exists. Calling it again does no harm.
void InitResources();

// ":/icons/<id>.svg", e.g. 145 for the play button, 139 for the program icon.
QString IconPath(int imageId);

// The picture shown in place of the video while no file is open.
inline constexpr char kIdlePicturePath[] = ":/idle.svg";

}  // namespace controls
