/* libvelloway-colorart: the background and text colours of artwork, from any program.
 *
 * The analysis finds an image's background colour (from its leftmost column) and a primary, a
 * secondary and a detail text colour that read well on it, exactly as `velloway colorart` does:
 * by default the image is stretched to 512 x 512 and analysed with threshold 2.
 *
 * Every function may be called from many threads at once; none keeps state between calls.
 * Failures come back as a status and a message in the result, never as an exit or an exception.
 * Link with `pkg-config --cflags --libs velloway-colorart`, or in CMake
 * `find_package(VellowayColorart)` and `VellowayColorart::colorart`. */
#ifndef VELLOWAY_COLORART_H
#define VELLOWAY_COLORART_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define VLW_COLORART_API __attribute__((visibility("default")))
#else
#define VLW_COLORART_API
#endif

#define VLW_COLORART_VERSION_MAJOR 1
#define VLW_COLORART_VERSION_MINOR 0

typedef enum vlw_colorart_status {
  VLW_COLORART_OK = 0,
  VLW_COLORART_INVALID_ARGUMENT = 1, /* a null pointer, a bad size, format, stride or option */
  VLW_COLORART_CANNOT_READ = 2,      /* the file can't be read (missing, not a regular file, over 256 MB) */
  VLW_COLORART_CANNOT_DECODE = 3,    /* not a PNG or JPEG image, or a damaged one, or over the size limits */
  VLW_COLORART_OUT_OF_MEMORY = 4,
  VLW_COLORART_INTERNAL = 5
} vlw_colorart_status;

/* The four colours of a result, in this order. */
typedef enum vlw_colorart_role {
  VLW_COLORART_BACKGROUND = 0,
  VLW_COLORART_PRIMARY = 1,
  VLW_COLORART_SECONDARY = 2,
  VLW_COLORART_DETAIL = 3
} vlw_colorart_role;

/* How an image is analysed: the options of `velloway colorart`. */
typedef struct vlw_colorart_options {
  double width, height; /* --size: stretched to this many pixels first (default 512 x 512) */
  int native;           /* --native: nonzero analyses the image at its own size (size ignored) */
  int64_t threshold;    /* --threshold: an edge colour must occur on more rows than this (default 2) */
} vlw_colorart_options;

/* A colour: the nearest "#rrggbb" (NUL-terminated), and its exact components in [0, 1]. A text
 * colour with raised saturation is not a whole 8-bit value; its hex is then the nearest one. */
typedef struct vlw_colorart_color {
  char hex[8];
  double r, g, b, a;
} vlw_colorart_color;

typedef struct vlw_colorart_result {
  vlw_colorart_color colors[4]; /* by vlw_colorart_role */
  /* Bit (1 << role) set: that text colour was not found, and white (on a dark background) or
   * black (on a light one) stands in for it. */
  unsigned missed;
  /* Empty on success; else why, for example "cannot decode the JPEG image: truncated". */
  char message[256];
} vlw_colorart_result;

typedef enum vlw_colorart_format {
  VLW_COLORART_RGB = 3, /* bytes red, green, blue */
  VLW_COLORART_RGBA = 4 /* bytes red, green, blue, alpha (straight, not premultiplied) */
} vlw_colorart_format;

/* The defaults: 512 x 512, not native, threshold 2. */
VLW_COLORART_API void vlw_colorart_options_init(vlw_colorart_options* options);

/* Each fills *result (which must not be null) and returns its status. options may be null for
 * the defaults. */
VLW_COLORART_API vlw_colorart_status vlw_colorart_analyze_file(const char* path, const vlw_colorart_options* options,
                                                               vlw_colorart_result* result);
/* PNG or JPEG bytes in memory. */
VLW_COLORART_API vlw_colorart_status vlw_colorart_analyze_encoded(const void* data, size_t size,
                                                                  const vlw_colorart_options* options,
                                                                  vlw_colorart_result* result);
/* Decoded 8-bit pixels, rows `stride` bytes apart (at least width x channels). */
VLW_COLORART_API vlw_colorart_status vlw_colorart_analyze_pixels(const void* pixels, int64_t width, int64_t height, size_t stride,
                                                                 vlw_colorart_format format, const vlw_colorart_options* options,
                                                                 vlw_colorart_result* result);

/* "primary" and the like; "" for another value. */
VLW_COLORART_API const char* vlw_colorart_role_name(vlw_colorart_role role);
/* The library's version, "1.0.0". */
VLW_COLORART_API const char* vlw_colorart_version(void);

#ifdef __cplusplus
}
#endif

#endif
