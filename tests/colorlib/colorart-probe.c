/* A program that uses libvelloway-colorart as any program would, built only with
 * `pkg-config --cflags --libs velloway-colorart`:
 *   colorart-probe file PATH                      the library reads the file
 *   colorart-probe encoded PATH                   the file's bytes, from memory
 *   colorart-probe rgba PATH WIDTH HEIGHT         raw RGBA pixels, copied into rows with padding
 * Prints each colour as "ROLE HEX R G B A" (components exact, %.17g), then "missed" and the
 * missed roles; on failure "error STATUS MESSAGE" and exit status 1. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <velloway-colorart.h>

static unsigned char* slurp(const char* path, size_t* size) {
  FILE* f = fopen(path, "rb");
  if (!f) return NULL;
  fseek(f, 0, SEEK_END);
  long length = ftell(f);
  fseek(f, 0, SEEK_SET);
  unsigned char* bytes = malloc(length > 0 ? (size_t)length : 1);
  *size = fread(bytes, 1, (size_t)length, f);
  fclose(f);
  return bytes;
}

static vlw_colorart_status analyse_rgba(const char* path, long width, long height, vlw_colorart_result* result) {
  size_t size = 0;
  unsigned char* packed = slurp(path, &size);
  if (!packed || size != (size_t)(width * height * 4)) return VLW_COLORART_INVALID_ARGUMENT;
  size_t stride = (size_t)width * 4 + 12; /* rows with padding, as many buffers have */
  unsigned char* rows = calloc((size_t)height, stride);
  for (long y = 0; y < height; ++y) memcpy(rows + (size_t)y * stride, packed + (size_t)(y * width * 4), (size_t)width * 4);
  vlw_colorart_options options;
  vlw_colorart_options_init(&options);
  vlw_colorart_status status = vlw_colorart_analyze_pixels(rows, width, height, stride, VLW_COLORART_RGBA, &options, result);
  free(rows);
  free(packed);
  return status;
}

int main(int argc, char** argv) {
  vlw_colorart_result result;
  vlw_colorart_status status = VLW_COLORART_INVALID_ARGUMENT;
  if (argc == 3 && strcmp(argv[1], "file") == 0) {
    status = vlw_colorart_analyze_file(argv[2], NULL, &result);
  } else if (argc == 3 && strcmp(argv[1], "encoded") == 0) {
    size_t size = 0;
    unsigned char* bytes = slurp(argv[2], &size);
    status = vlw_colorart_analyze_encoded(bytes, size, NULL, &result);
    free(bytes);
  } else if (argc == 5 && strcmp(argv[1], "rgba") == 0) {
    status = analyse_rgba(argv[2], atol(argv[3]), atol(argv[4]), &result);
  } else {
    fprintf(stderr, "usage: colorart-probe file|encoded PATH, or rgba PATH WIDTH HEIGHT\n");
    return 2;
  }
  if (status != VLW_COLORART_OK) {
    printf("error %d %s\n", (int)status, result.message);
    return 1;
  }
  for (int role = VLW_COLORART_BACKGROUND; role <= VLW_COLORART_DETAIL; ++role) {
    const vlw_colorart_color* c = &result.colors[role];
    printf("%s %s %.17g %.17g %.17g %.17g\n", vlw_colorart_role_name((vlw_colorart_role)role), c->hex, c->r, c->g, c->b, c->a);
  }
  printf("missed");
  for (int role = VLW_COLORART_PRIMARY; role <= VLW_COLORART_DETAIL; ++role)
    if (result.missed & (1u << role)) printf(" %s", vlw_colorart_role_name((vlw_colorart_role)role));
  printf("\n");
  printf("version %s\n", vlw_colorart_version());
  return 0;
}
