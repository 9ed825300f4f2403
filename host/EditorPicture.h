// The editor as a user would see it, drawn without a window and written as a PNG.
#pragma once

#include <functional>
#include <string>

class PluginHost;

// Builds the plug-in linked into this program, lets `configure` set it up
// (a preset, --set values) and writes the editor's picture to `path`
// (through a temporary file, so a failure leaves no partial file).
// Throws HostError.
void writeEditorPicture(const std::function<void(PluginHost&)>& configure, const std::string& path);
