#include "img/ImageFile.h"

namespace img {

std::unique_ptr<gr::ImageSource> ImageFile::open(const lang::String& fileName)
{
    return std::make_unique<ImageFile>(fileName);
}

ImageFile::ImageFile(const lang::String& fileName) : m_in(fileName), m_reader(&m_in, ImageReader::fileType(fileName))
{
}

} // namespace img
