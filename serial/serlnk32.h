// serlnk32: the serial line library (C interface).
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

#define SERLNK32_API __attribute__((visibility("default")))

#ifdef __cplusplus
}
#endif
