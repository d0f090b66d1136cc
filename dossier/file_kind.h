// What a file found in a photo stage folder is: a photo told by its first
// bytes (JPEG, PNG, or HEIC/HEIF, which counts but the photo report cannot
// hold), a video told by its name, or nothing that counts. The name alone
// never makes a photo: a text file named ".jpg" is not one.
#ifndef ZARVEK_DOSSIER_FILE_KIND_H_
#define ZARVEK_DOSSIER_FILE_KIND_H_

#include <cstddef>
#include <string>
#include <string_view>

#include "dossier/dossier.h"

namespace zarvek {

/// How many first bytes PhotoKindOfPrefix looks at: enough for an ISO
/// "ftyp" box with a dozen compatible brands.
inline constexpr std::size_t kKindPrefixBytes = 64;

/// True for names that never count: hidden files (a leading ".", which
/// covers ".DS_Store" and the "._" copies of macOS) and the files the
/// systems leave in folders of pictures (Thumbs.db, desktop.ini, any case,
/// and the thumbnails folder "@eaDir" of network disks).
bool IsIgnoredFileName(std::string_view name);

/// The name of a stage folder reduced to what tells stages apart: accents
/// dropped (precomposed Latin-1 letters and combining marks, as a Mac
/// writes them), letters in capitals, white space removed and the leading
/// zeros of its number dropped. "05. incrustación del disco de bronce" and
/// "5.INCRUSTACION DEL DISCO DE BRONCE" give the key of
/// "5. INCRUSTACIÓN DEL DISCO DE BRONCE"; anything else (another number, a
/// missing ".", another word) gives another key.
std::string StageFolderKey(std::string_view name);

/// True when the name ends in a video extension, in any case: .mp4, .mov,
/// .avi, .3gp, .mkv, .m4v.
bool HasVideoExtension(std::string_view name);

/// The photo kind the first bytes of a file show: kJpeg (FF D8 FF), kPng
/// (the 8-byte PNG signature), kHeif (an "ftyp" box whose major or a
/// compatible brand is a HEIF one: heic, heix, heim, heis, hevc, hevx,
/// mif1, msf1, heif), else kOther.
FileKind PhotoKindOfPrefix(std::string_view prefix);

/// True for the kinds that count as photos, the unreadable ones included.
constexpr bool IsPhotoKind(FileKind kind) {
  return kind == FileKind::kJpeg || kind == FileKind::kPng ||
         kind == FileKind::kHeif || kind == FileKind::kUnreadable;
}

}  // namespace zarvek

#endif  // ZARVEK_DOSSIER_FILE_KIND_H_
