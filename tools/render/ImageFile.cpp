#include "ImageFile.h"

#ifndef GORVANEL_PGM_ONLY
#include <QImage>
#endif

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

bool EndsWith(const std::string& Text, const std::string& Suffix) {
  if (Text.size() < Suffix.size())
    return false;
  return std::equal(Suffix.rbegin(), Suffix.rend(), Text.rbegin(),
                    [](char A, char B) { return A == std::tolower(static_cast<unsigned char>(B)); });
}

std::string Reason() { return std::strerror(errno); }

} // namespace

bool TAtomicImageFile::IsPgm(const std::string& Path) { return EndsWith(Path, ".pgm"); }

TAtomicImageFile::TAtomicImageFile(std::string Path) : FPath(std::move(Path)) {
  if (EndsWith(FPath, ".png"))
    FPng = true;
  else if (!EndsWith(FPath, ".pgm"))
    throw TImageFileError("cannot write '" + FPath + "': the file name must end in .png or .pgm");
  const auto Slash = FPath.rfind('/');
  const std::string Folder = Slash == std::string::npos ? "." : FPath.substr(0, Slash + 1);
  std::string Template = Folder + (Folder.back() == '/' ? "" : "/") + ".gorvanel-render-XXXXXX";
  std::vector<char> Name(Template.begin(), Template.end());
  Name.push_back('\0');
  FDescriptor = mkstemp(Name.data());
  if (FDescriptor < 0)
    throw TImageFileError("cannot write '" + FPath + "': " + Reason());
  FTempPath = Name.data();
}

TAtomicImageFile::~TAtomicImageFile() {
  if (FDescriptor >= 0)
    close(FDescriptor);
  if (!FCommitted && !FTempPath.empty())
    unlink(FTempPath.c_str());
}

void TAtomicImageFile::WritePgm(const TBitmap& Image) {
  std::string Data = "P5\n" + std::to_string(Image.Width()) + " " +
                     std::to_string(Image.Height()) + "\n255\n";
  const std::size_t Header = Data.size();
  Data.resize(Header + static_cast<std::size_t>(Image.Width()) * Image.Height());
  for (int Y = 0; Y < Image.Height(); ++Y)
    for (int X = 0; X < Image.Width(); ++X)
      Data[Header + static_cast<std::size_t>(Y) * Image.Width() + X] =
          static_cast<char>(Image.Pixel(X, Y) & 0xFF);
  std::size_t Done = 0;
  while (Done < Data.size()) {
    const ssize_t Written = write(FDescriptor, Data.data() + Done, Data.size() - Done);
    if (Written < 0 && errno == EINTR)
      continue;
    if (Written <= 0)
      throw TImageFileError("cannot write '" + FPath + "': " + Reason());
    Done += static_cast<std::size_t>(Written);
  }
}

void TAtomicImageFile::WritePng(const TBitmap& Image) {
#ifdef GORVANEL_PGM_ONLY
  // The build for ThreadSanitizer leaves Qt, and with it PNG output, out.
  (void)Image;
  throw TImageFileError("cannot write '" + FPath + "': this build writes .pgm files only");
#else
  const QImage View(reinterpret_cast<const uchar*>(Image.Bits()), Image.Width(), Image.Height(),
                    static_cast<qsizetype>(Image.Width()) * 4, QImage::Format_RGBX8888);
  if (!View.convertToFormat(QImage::Format_RGB888).save(QString::fromStdString(FTempPath), "PNG"))
    throw TImageFileError("cannot write '" + FPath + "': the PNG encoder failed");
#endif
}

void TAtomicImageFile::Commit(const TBitmap& Image) {
  if (FPng)
    WritePng(Image);
  else
    WritePgm(Image);
  if (fsync(FDescriptor) != 0 || close(FDescriptor) != 0) {
    FDescriptor = -1;
    throw TImageFileError("cannot write '" + FPath + "': " + Reason());
  }
  FDescriptor = -1;
  // mkstemp creates the file 0600; give the image the usual permissions.
  const mode_t Mask = umask(0);
  umask(Mask);
  chmod(FTempPath.c_str(), 0666 & ~Mask);
  if (rename(FTempPath.c_str(), FPath.c_str()) != 0)
    throw TImageFileError("cannot write '" + FPath + "': " + Reason());
  FCommitted = true;
}
