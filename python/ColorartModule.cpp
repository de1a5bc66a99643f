// velloway._colorart: the C library libvelloway-colorart for Python (pybind11). The Python
// package (velloway/__init__.py) gives it its public shape; this module only crosses over:
// buffers are read where they lie (no copy), the GIL is released while the library analyses,
// and failures become Python exceptions naming the input.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <string>
#include <utility>
#include <vector>

#include "cli/colorart/ImageFiles.hpp"
#include "velloway-colorart.h"

namespace py = pybind11;

namespace {

vlw_colorart_options optionsOf(py::object size, int64_t threshold) {
  vlw_colorart_options options;
  vlw_colorart_options_init(&options);
  options.threshold = threshold;
  if (size.is_none()) {
    options.native = 1;
  } else {
    auto pair = size.cast<std::pair<double, double>>();
    options.width = pair.first, options.height = pair.second;
  }
  return options;
}

// The result as (((hex, r, g, b, a) x 4), (missed role names)); a failure as an exception whose
// message starts with what was analysed: OSError when a file can't be read, else ValueError.
py::tuple resultOf(vlw_colorart_status status, const vlw_colorart_result& r, const std::string& what) {
  if (status == VLW_COLORART_CANNOT_READ) {
    PyErr_SetString(PyExc_OSError, (what + ": " + r.message).c_str());
    throw py::error_already_set();
  }
  if (status == VLW_COLORART_OUT_OF_MEMORY) throw std::bad_alloc();
  if (status != VLW_COLORART_OK) throw py::value_error(what + ": " + r.message);
  py::list colours, missed;
  for (int role = VLW_COLORART_BACKGROUND; role <= VLW_COLORART_DETAIL; ++role) {
    const vlw_colorart_color& c = r.colors[role];
    colours.append(py::make_tuple(std::string(c.hex), c.r, c.g, c.b, c.a));
    if (role != VLW_COLORART_BACKGROUND && (r.missed & (1u << role)))
      missed.append(vlw_colorart_role_name(static_cast<vlw_colorart_role>(role)));
  }
  return py::make_tuple(py::tuple(colours), py::tuple(missed));
}

py::tuple analysePath(const std::string& path, py::object size, int64_t threshold) {
  const vlw_colorart_options options = optionsOf(std::move(size), threshold);
  vlw_colorart_result r;
  vlw_colorart_status status;
  {
    py::gil_scoped_release released;
    status = vlw_colorart_analyze_file(path.c_str(), &options, &r);
  }
  return resultOf(status, r, path);
}

// PNG or JPEG bytes: any one-dimensional contiguous buffer of bytes.
py::tuple analyseEncoded(py::buffer data, py::object size, int64_t threshold, const std::string& name) {
  const vlw_colorart_options options = optionsOf(std::move(size), threshold);
  py::buffer_info info = data.request();
  if (info.ndim != 1 || info.itemsize != 1 || info.strides[0] != 1)
    throw py::value_error(name + ": encoded image bytes must be a one-dimensional contiguous buffer of bytes");
  vlw_colorart_result r;
  vlw_colorart_status status;
  {
    py::gil_scoped_release released;
    status = vlw_colorart_analyze_encoded(info.ptr, static_cast<size_t>(info.size), &options, &r);
  }
  return resultOf(status, r, name);
}

// Decoded pixels of shape (height, width, 3 or 4), uint8, each row's pixels packed (rows may be
// further apart, as in a slice of a wider array). Read in place.
py::tuple analysePixels(py::buffer pixels, py::object size, int64_t threshold, const std::string& name) {
  const vlw_colorart_options options = optionsOf(std::move(size), threshold);
  py::buffer_info info = pixels.request();
  if (info.ndim != 3 || info.itemsize != 1 || (info.format != "B" && info.format != "c"))
    throw py::value_error(name + ": pixels must be uint8 of shape (height, width, 3 or 4)");
  const py::ssize_t channels = info.shape[2];
  if (channels != 3 && channels != 4) throw py::value_error(name + ": pixels must have 3 (RGB) or 4 (RGBA) channels");
  if (info.strides[2] != 1 || info.strides[1] != channels || info.strides[0] < info.shape[1] * channels)
    throw py::value_error(name + ": each row's pixels must be packed");
  vlw_colorart_result r;
  vlw_colorart_status status;
  {
    py::gil_scoped_release released;
    status = vlw_colorart_analyze_pixels(info.ptr, info.shape[1], info.shape[0], static_cast<size_t>(info.strides[0]),
                                         channels == 4 ? VLW_COLORART_RGBA : VLW_COLORART_RGB, &options, &r);
  }
  return resultOf(status, r, name);
}

// The images that arguments stand for, as `velloway colorart` lists them: [(path, error)].
std::vector<std::pair<std::string, std::string>> expandArguments(const std::vector<std::string>& arguments) {
  std::vector<std::pair<std::string, std::string>> out;
  for (colorart_cli::Input& input : colorart_cli::expandArguments(arguments))
    out.emplace_back(std::move(input.path), std::move(input.error));
  return out;
}

}  // namespace

PYBIND11_MODULE(_colorart, m) {
  m.doc() = "The Velloway colour analysis (libvelloway-colorart); use velloway.colorart";
  m.def("analyse_path", &analysePath, py::arg("path"), py::arg("size"), py::arg("threshold"));
  m.def("analyse_encoded", &analyseEncoded, py::arg("data"), py::arg("size"), py::arg("threshold"), py::arg("name"));
  m.def("analyse_pixels", &analysePixels, py::arg("pixels"), py::arg("size"), py::arg("threshold"), py::arg("name"));
  m.def("expand_arguments", &expandArguments, py::arg("arguments"));
  m.def("library_version", [] { return std::string(vlw_colorart_version()); });
}
