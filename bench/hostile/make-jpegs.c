// Makes the JPEGs of bench/hostile/run.sh: a progressive 8192 x 8192 image (the base of the
// many-scans file) and 64 x 64 CMYK and YCCK images of red, stored as Adobe applications do
// (inverted inks, Adobe marker).
#include <jpeglib.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
/* progressive: 0 sequential, 1 the library's progression, 2 one scan per AC coefficient and
   component (190 scans, all consistent) */
static void write(const char* name, int w, int h, J_COLOR_SPACE in, J_COLOR_SPACE stored, int progressive,
                  const unsigned char* px) {
  struct jpeg_compress_struct c;
  struct jpeg_error_mgr e;
  FILE* f = fopen(name, "wb");
  c.err = jpeg_std_error(&e);
  jpeg_create_compress(&c);
  jpeg_stdio_dest(&c, f);
  c.image_width = w;
  c.image_height = h;
  c.input_components = in == JCS_CMYK ? 4 : 3;
  c.in_color_space = in;
  jpeg_set_defaults(&c);
  jpeg_set_colorspace(&c, stored);
  if (progressive == 1) jpeg_simple_progression(&c);
  static jpeg_scan_info scans[190];
  if (progressive == 2) {
    int n = 0;
    scans[n].comps_in_scan = 3;
    for (int k = 0; k < 3; ++k) scans[n].component_index[k] = k;
    scans[n].Ss = scans[n].Se = scans[n].Ah = scans[n].Al = 0;
    ++n;
    for (int k = 1; k < 64; ++k)
      for (int comp = 0; comp < 3; ++comp, ++n) {
        scans[n].comps_in_scan = 1;
        scans[n].component_index[0] = comp;
        scans[n].Ss = scans[n].Se = k;
        scans[n].Ah = scans[n].Al = 0;
      }
    c.scan_info = scans;
    c.num_scans = n;
  }
  jpeg_start_compress(&c, TRUE);
  int stride = w * c.input_components;
  unsigned char* row = malloc(stride);
  while (c.next_scanline < c.image_height) {
    if (px)
      memcpy(row, px + (size_t)c.next_scanline * stride, stride);
    else
      for (int i = 0; i < stride; ++i) row[i] = (unsigned char)(100 + (i % 7));
    JSAMPROW r = row;
    jpeg_write_scanlines(&c, &r, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  fclose(f);
  free(row);
}
int main(void) {
  write("big-progressive.jpg", 8192, 8192, JCS_RGB, JCS_YCbCr, 1, NULL);
  write("190-scans.jpg", 4096, 4096, JCS_RGB, JCS_YCbCr, 2, NULL);
  unsigned char* cmyk = malloc(64 * 64 * 4);
  for (int i = 0; i < 64 * 64; ++i) {
    cmyk[4 * i] = 255;
    cmyk[4 * i + 1] = 0;
    cmyk[4 * i + 2] = 0;
    cmyk[4 * i + 3] = 255;
  } /* red, Adobe-inverted inks */
  write("cmyk.jpg", 64, 64, JCS_CMYK, JCS_CMYK, 0, cmyk);
  write("ycck.jpg", 64, 64, JCS_CMYK, JCS_YCCK, 0, cmyk);
  return 0;
}
