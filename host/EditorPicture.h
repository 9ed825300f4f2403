// The editor as a user would see it, drawn without a window and written as a PNG.
#pragma once

#include <functional>
#include <string>

class Renderer;

// Builds the plug-in linked into this program (the VST 2 library's code, or
// with `extended` the engine as the formats we design run it), lets
// `configure` set it up (a preset, --set values) and writes the editor's
// picture to `path` (through a temporary file, so a failure leaves no
// partial file): the VST 2 editor, or the editor with its extension panel
// at `scale` (taken to the nearest the editor has). Returns the picture's
// width and height in pixels. Throws HostError.
std::pair<int, int> writeEditorPicture(const std::function<void(Renderer&)>& configure, const std::string& path,
                                       bool extended, double scale = 1.0);
