// Saves a picture of a form (or any window) as a PNG for reviewers:
// <DRAV_SHOT_DIR or the build folder's "shots">/<name>.png. Works on the
// offscreen platform the tests run on.
#pragma once

#include <QString>

class QWidget;

namespace drav::test {

// Returns the path written, or "" when the picture could not be saved.
QString saveFormShot(QWidget* window, const QString& name);

}  // namespace drav::test
