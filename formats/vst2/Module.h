// The handle of this library as loaded, recorded when the loader maps it.
#pragma once

void* libraryModuleHandle();
