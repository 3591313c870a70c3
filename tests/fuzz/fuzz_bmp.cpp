// BMP image files through img::ImageReader, every surface read as a texture takes it.

#include "ImageHarness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return fuzz::readImage(data, size, img::ImageReader::TYPE_BMP, "picture.bmp");
}
