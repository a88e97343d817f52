// The storage directory: the first call of GetDrmJavaPhysicalPath creates
// the directory named by HKCU "Software\Vostel" "Drm_Java_PhysicalPath"
// (one level) when it does not exist; later calls do nothing.
#pragma once

void GetDrmJavaPhysicalPath();
