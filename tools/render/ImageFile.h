#pragma once

#include "Bitmap.h"

#include <memory>
#include <stdexcept>
#include <string>

class TImageFileError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// An image file written all at once or not at all: the pixels go to a
// temporary file beside the target, which replaces the target only when it
// is complete. Opening early tells about an unwritable folder or an unknown
// extension before any time is spent rendering.
class TAtomicImageFile {
public:
  // Throws TImageFileError when the extension is not .png or .pgm or the
  // folder does not take a new file.
  explicit TAtomicImageFile(std::string Path);
  ~TAtomicImageFile(); // removes the temporary file unless committed
  TAtomicImageFile(const TAtomicImageFile&) = delete;
  TAtomicImageFile& operator=(const TAtomicImageFile&) = delete;

  // Writes the image and renames it into place. Throws TImageFileError.
  void Commit(const TBitmap& Image);

  const std::string& TemporaryPath() const { return FTempPath; }
  // Whether a path names a PGM file (any other accepted name is PNG).
  static bool IsPgm(const std::string& Path);

private:
  void WritePgm(const TBitmap& Image);
  void WritePng(const TBitmap& Image);

  std::string FPath;
  std::string FTempPath;
  bool FPng = false;
  int FDescriptor = -1;
  bool FCommitted = false;
};
