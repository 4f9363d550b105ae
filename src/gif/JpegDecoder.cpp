#include "JpegDecoder.h"

#include <algorithm>
#include <bit>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <exception>

#include <jpeglib.h>
// After jpeglib.h: the message codes.
#include <jerror.h>

namespace {

// libjpeg's default error handler ends the process; this one keeps the message
// text (the decoder is destroyed before anyone reads it) and jumps back to
// DecodeWithLibjpeg.
struct TErrorManager {
    jpeg_error_mgr Pub;
    std::jmp_buf Jump;
    char Message[JMSG_LENGTH_MAX];
};

[[noreturn]] void ErrorExit(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<TErrorManager*>(cinfo->err);
    err->Pub.format_message(cinfo, err->Message);
    std::longjmp(err->Jump, 1);
}

// Our own limits end decoding the same way, with a text of their own written into Message first:
// libjpeg's text for the code would give the wrong reason. (No string objects on the way: the
// jump would skip their destructors.)
char* MessageOf(j_common_ptr cinfo) {
    return reinterpret_cast<TErrorManager*>(cinfo->err)->Message;
}

[[noreturn]] void Refuse(j_common_ptr cinfo, int code) {
    auto* err = reinterpret_cast<TErrorManager*>(cinfo->err);
    err->Pub.msg_code = code;
    std::longjmp(err->Jump, 1);
}

// Warnings (corrupt data libjpeg can step over) are not shown.
void OutputMessage(j_common_ptr) {}

void ScanMonitor(j_common_ptr cinfo) {
    const auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (d->input_scan_number > JpegMaxScans) {
        std::snprintf(MessageOf(cinfo), JMSG_LENGTH_MAX,
                      "Too many scans in a progressive JPEG file (more than %d)", JpegMaxScans);
        Refuse(cinfo, JERR_BAD_PROGRESSION);
    }
}

J_COLOR_SPACE OutputSpace(TJpegLayout layout) {
    if (layout == TJpegLayout::Rgb)
        return JCS_RGB;
    return std::endian::native == std::endian::little ? JCS_EXT_BGRA : JCS_EXT_ARGB;
}

// CMYK samples to RGB; files with an Adobe marker store them inverted.
void CmykToRgb(const JSAMPLE* cmyk, std::uint8_t* out, JDIMENSION width, TJpegLayout layout, bool inverted) {
    for (JDIMENSION x = 0; x < width; ++x, cmyk += 4) {
        int c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        const auto r = static_cast<std::uint8_t>(c * k / 255);
        const auto g = static_cast<std::uint8_t>(m * k / 255);
        const auto b = static_cast<std::uint8_t>(y * k / 255);
        if (layout == TJpegLayout::Rgb) {
            *out++ = r;
            *out++ = g;
            *out++ = b;
        } else {
            const std::uint32_t v = 0xFF000000u | (r << 16) | (g << 8) | b;
            std::memcpy(out, &v, 4);
            out += 4;
        }
    }
}

// Where the bytes come from: memory, or else a file.
struct TJpegSource {
    const std::uint8_t* Data = nullptr;
    std::size_t Size = 0;
    std::FILE* File = nullptr;
};

// The largest of libjpeg's scales n/8 at which the output fits the box; 1/8 when none does.
void ChooseScale(jpeg_decompress_struct& cinfo, TJpegBox box) {
    const bool sides = box.Width > 0 && box.Height > 0;
    if (!sides && box.MaxPixels == 0)
        return;
    cinfo.scale_denom = 8;
    for (unsigned n = 8; n >= 1; --n) {
        cinfo.scale_num = n;
        jpeg_calc_output_dimensions(&cinfo);
        const bool fitsSides = !sides || (cinfo.output_width <= static_cast<JDIMENSION>(box.Width) &&
                                          cinfo.output_height <= static_cast<JDIMENSION>(box.Height));
        const bool fitsPixels =
            box.MaxPixels == 0 || std::size_t(cinfo.output_width) * cinfo.output_height <= box.MaxPixels;
        if (fitsSides && fitsPixels)
            return;
    }
}

// What a multi-scan file keeps while it is decoded: every component's coefficient blocks, in
// whole MCUs.
std::size_t CoefficientBytes(const jpeg_decompress_struct& cinfo) {
    std::size_t bytes = 0;
    for (int i = 0; i < cinfo.num_components; ++i) {
        const jpeg_component_info& c = cinfo.comp_info[i];
        const auto roundUp = [](std::size_t n, int step) { return (n + step - 1) / step * step; };
        bytes += roundUp(c.width_in_blocks, c.h_samp_factor) * roundUp(c.height_in_blocks, c.v_samp_factor) *
                 sizeof(JBLOCK);
    }
    return bytes;
}

// Only plain data lives in this frame, so the jump back from libjpeg skips no
// destructor. Returns 0, or the message number of the error with its text in
// err.Message. An exception of `allocate` is kept in `thrown` once the decoder
// is released.
int DecodeWithLibjpeg(const TJpegSource& source, TJpegLayout layout, TJpegBox box, TJpegFullSize* fullSize,
                      const TJpegAllocate& allocate, std::exception_ptr& thrown, TErrorManager& err) {
    jpeg_decompress_struct cinfo;
    jpeg_progress_mgr progress;
    cinfo.err = jpeg_std_error(&err.Pub);
    err.Pub.error_exit = ErrorExit;
    err.Pub.output_message = OutputMessage;
    if (setjmp(err.Jump)) {
        jpeg_destroy_decompress(&cinfo);
        return err.Pub.msg_code;
    }
    jpeg_create_decompress(&cinfo);
    // Beside the coefficients, a few rows of the widest picture allowed.
    cinfo.mem->max_memory_to_use = static_cast<long>(JpegMaxWorkBytes + (std::size_t(64) << 20));
    progress.progress_monitor = ScanMonitor;
    cinfo.progress = &progress;
    if (source.File)
        jpeg_stdio_src(&cinfo, source.File);
    else
        jpeg_mem_src(&cinfo, source.Data, static_cast<unsigned long>(source.Size));
    jpeg_read_header(&cinfo, TRUE);
    if (fullSize)
        *fullSize = {static_cast<int>(cinfo.image_width), static_cast<int>(cinfo.image_height)};

    if (static_cast<std::size_t>(cinfo.image_width) * cinfo.image_height > JpegMaxPixels ||
        (jpeg_has_multiple_scans(&cinfo) && CoefficientBytes(cinfo) > JpegMaxWorkBytes)) {
        const auto common = reinterpret_cast<j_common_ptr>(&cinfo);
        std::snprintf(MessageOf(common), JMSG_LENGTH_MAX, "The picture is too large to show (%u x %u pixels)",
                      cinfo.image_width, cinfo.image_height);
        Refuse(common, JERR_IMAGE_TOO_BIG);
    }
    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = cmyk ? JCS_CMYK : OutputSpace(layout);
    ChooseScale(cinfo, box);
    jpeg_start_decompress(&cinfo);

    std::size_t stride = 0;
    std::uint8_t* pixels = nullptr;
    try {
        pixels =
            allocate(static_cast<int>(cinfo.output_width), static_cast<int>(cinfo.output_height), stride);
    } catch (...) {
        thrown = std::current_exception();
    }
    if (thrown || !pixels) {
        if (!thrown) {
            err.Pub.msg_code = JERR_OUT_OF_MEMORY;
            err.Pub.msg_parm.i[0] = 0;
            err.Pub.format_message(reinterpret_cast<j_common_ptr>(&cinfo), err.Message);
        }
        jpeg_destroy_decompress(&cinfo);
        return thrown ? 0 : JERR_OUT_OF_MEMORY;
    }

    JSAMPARRAY cmykRow = cmyk ? (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo),
                                                           JPOOL_IMAGE, cinfo.output_width * 4, 1)
                              : nullptr;
    while (cinfo.output_scanline < cinfo.output_height) {
        std::uint8_t* row = pixels + static_cast<std::size_t>(cinfo.output_scanline) * stride;
        if (cmyk) {
            jpeg_read_scanlines(&cinfo, cmykRow, 1);
            CmykToRgb(cmykRow[0], row, cinfo.output_width, layout, cinfo.saw_Adobe_marker);
            continue;
        }
        JSAMPROW rows[16];
        const JDIMENSION want = std::min<JDIMENSION>(16, cinfo.output_height - cinfo.output_scanline);
        for (JDIMENSION i = 0; i < want; ++i)
            rows[i] = row + i * stride;
        jpeg_read_scanlines(&cinfo, rows, want);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return 0;
}

void Decode(const TJpegSource& source, TJpegLayout layout, const TJpegAllocate& allocate, TJpegBox box,
            TJpegFullSize* fullSize) {
    std::exception_ptr thrown;
    TErrorManager err;
    err.Message[0] = '\0';
    const int code = DecodeWithLibjpeg(source, layout, box, fullSize, allocate, thrown, err);
    if (thrown)
        std::rethrow_exception(thrown);
    if (code != 0)
        throw EJpegError(code, err.Message);
}

} // namespace

void DecodeJpeg(const std::uint8_t* data, std::size_t size, TJpegLayout layout, const TJpegAllocate& allocate,
                TJpegBox box, TJpegFullSize* fullSize) {
    Decode({data, size, nullptr}, layout, allocate, box, fullSize);
}

void DecodeJpegFile(std::FILE* file, TJpegLayout layout, const TJpegAllocate& allocate, TJpegBox box,
                    TJpegFullSize* fullSize) {
    Decode({nullptr, 0, file}, layout, allocate, box, fullSize);
}

TJpegPicture DecodeJpeg(std::string_view bytes, TJpegLayout layout, TJpegBox box) {
    TJpegPicture picture;
    DecodeJpeg(
        reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), layout,
        [&](int w, int h, std::size_t& stride) {
            stride = static_cast<std::size_t>(w) * (layout == TJpegLayout::Rgb ? 3 : 4);
            picture.Width = w;
            picture.Height = h;
            picture.Size = stride * h;
            picture.Pixels = std::make_unique_for_overwrite<std::uint8_t[]>(picture.Size);
            return picture.Pixels.get();
        },
        box);
    return picture;
}
