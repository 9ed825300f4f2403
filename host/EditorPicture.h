// The editor as a user would see it, drawn without a window and written as a PNG.
#pragma once

#include <string>
#include <vector>

// Builds the plug-in linked into this program, applies the settings
// ("NAME=VALUE", as --set takes them) and writes the editor's picture to
// `path` (through a temporary file, so a failure leaves no partial file).
// Throws HostError.
void writeEditorPicture(const std::vector<std::string>& settings, const std::string& path);
