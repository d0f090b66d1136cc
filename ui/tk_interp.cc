#include "ui/tk_interp.h"

#include <tcl.h>
#include <tk.h>
// X11 defines these as macros; our own Status type needs the name back.
#undef Status
#undef None
#undef Bool

#include <cstdio>
#include <system_error>
#include <utility>

#include "platform/fs.h"
#include "platform/process.h"

namespace zarvek::tk {

// Maps the children's native windows at once (tk_interp_x11.cc); nothing to
// do where the native windows are not X windows.
void MapSubwindowsNow(Tk_Window window);
// The work area of the screen of `window` (tk_interp_x11.cc, _win32.cc).
std::optional<WorkArea> WorkAreaOf(Tk_Window window);

namespace {

Tcl_Encoding Utf8Encoding() {
  static Tcl_Encoding encoding = Tcl_GetEncoding(nullptr, "utf-8");
  return encoding;
}

// Tcl's internal strings use a modified UTF-8 (NUL as C0 80, characters
// beyond the BMP as surrogate pairs); these two convert at the boundary.
std::string ToStandardUtf8(const char* internal, int length) {
  Tcl_DString ds;
  Tcl_UtfToExternalDString(Utf8Encoding(), internal, length, &ds);
  std::string out(Tcl_DStringValue(&ds), Tcl_DStringLength(&ds));
  Tcl_DStringFree(&ds);
  return out;
}

Tcl_Obj* NewTextObj(std::string_view utf8) {
  Tcl_DString ds;
  Tcl_ExternalToUtfDString(Utf8Encoding(), utf8.data(),
                           static_cast<int>(utf8.size()), &ds);
  Tcl_Obj* obj =
      Tcl_NewStringObj(Tcl_DStringValue(&ds), Tcl_DStringLength(&ds));
  Tcl_DStringFree(&ds);
  return obj;
}

std::string ObjText(Tcl_Obj* obj) {
  int length = 0;
  const char* text = Tcl_GetStringFromObj(obj, &length);
  return ToStandardUtf8(text, length);
}

using SharedCallback = std::shared_ptr<Interp::Callback>;

// The one trap between Tcl and C++: arguments are read without touching
// their reference counts, the callable is kept alive by a local copy even if
// the command replaces itself, and every exception becomes TCL_ERROR.
int Trampoline(ClientData data, Tcl_Interp* interp, int objc,
               Tcl_Obj* const objv[]) {
  SharedCallback fn = *static_cast<SharedCallback*>(data);
  try {
    std::vector<std::string> args;
    args.reserve(objc > 0 ? objc - 1 : 0);
    for (int i = 1; i < objc; ++i) args.push_back(ObjText(objv[i]));
    std::string result = (*fn)(args);
    Tcl_SetObjResult(interp, NewTextObj(result));
    return TCL_OK;
  } catch (const std::exception& e) {
    Tcl_SetObjResult(interp, NewTextObj(e.what()));
  } catch (...) {
    Tcl_SetObjResult(interp, NewTextObj("error desconocido"));
  }
  return TCL_ERROR;
}

// The same trap, ending with Tcl's break code when the callback succeeds.
int BreakingTrampoline(ClientData data, Tcl_Interp* interp, int objc,
                       Tcl_Obj* const objv[]) {
  const int code = Trampoline(data, interp, objc, objv);
  return code == TCL_OK ? TCL_BREAK : code;
}

void DeleteCallback(ClientData data) {
  delete static_cast<SharedCallback*>(data);
}

}  // namespace

Obj::Obj(Tcl_Obj* obj) : obj_(obj) {
  if (obj_ != nullptr) Tcl_IncrRefCount(obj_);
}
Obj::Obj(const Obj& other) : Obj(other.obj_) {}
Obj::Obj(Obj&& other) noexcept : obj_(std::exchange(other.obj_, nullptr)) {}
Obj& Obj::operator=(Obj other) noexcept {
  std::swap(obj_, other.obj_);
  return *this;
}
Obj::~Obj() {
  if (obj_ != nullptr) Tcl_DecrRefCount(obj_);
}

Obj Obj::Text(std::string_view utf8) { return Obj(NewTextObj(utf8)); }
Obj Obj::Int(long long value) {
  return Obj(Tcl_NewWideIntObj(static_cast<Tcl_WideInt>(value)));
}
Obj Obj::List(const std::vector<std::string>& items) {
  Obj list(Tcl_NewListObj(0, nullptr));
  for (const std::string& item : items) {
    Tcl_ListObjAppendElement(nullptr, list.get(), NewTextObj(item));
  }
  return list;
}

std::string Obj::str() const {
  return obj_ == nullptr ? std::string() : ObjText(obj_);
}

std::unique_ptr<Interp> Interp::Create(const char* argv0, std::string* error) {
  static bool executable_found = false;
  if (!executable_found) {
    Tcl_FindExecutable(argv0);
    executable_found = true;
  }
  Tcl_Interp* raw = Tcl_CreateInterp();
  std::unique_ptr<Interp> interp(new Interp(raw));
  Tcl_SetVar2Ex(raw, "argv0", nullptr, NewTextObj(argv0 ? argv0 : "zarvek"),
                TCL_GLOBAL_ONLY);
  Tcl_SetVar2Ex(raw, "argv", nullptr, Tcl_NewListObj(0, nullptr),
                TCL_GLOBAL_ONLY);
  Tcl_SetVar2Ex(raw, "argc", nullptr, Tcl_NewIntObj(0), TCL_GLOBAL_ONLY);
  // A bundle that ships Tcl's and Tk's library scripts beside the
  // executable (the Windows program) uses those and no other: set before
  // Tcl_Init, these variables stop the search of the environment and of
  // other installations.
  const std::string exe_dir = ExecutableDir();
  const std::string bundled = JoinPath(exe_dir, "lib");
  if (!exe_dir.empty() &&
      RealFileSystem().IsDirectory(JoinPath(bundled, "tcl8.6"))) {
    Tcl_SetVar2Ex(raw, "tcl_library", nullptr,
                  NewTextObj(JoinPath(bundled, "tcl8.6")), TCL_GLOBAL_ONLY);
    Tcl_SetVar2Ex(raw, "tk_library", nullptr,
                  NewTextObj(JoinPath(bundled, "tk8.6")), TCL_GLOBAL_ONLY);
  }
  if (Tcl_Init(raw) != TCL_OK || Tk_Init(raw) != TCL_OK) {
    *error = ObjText(Tcl_GetObjResult(raw));
    return nullptr;
  }
  // Under LANG=C Tcl would read file names as ISO 8859-1.
  Tcl_SetSystemEncoding(raw, "utf-8");
  try {
    interp->Call({"package", "require", "msgcat"});
    interp->Call({"::msgcat::mclocale", "es"});
    // A failing callback must never open Tk's modal error dialog.
    interp->Command("bgerror", [](const std::vector<std::string>& args) {
      std::fprintf(stderr, "Error interno: %s\n",
                   args.empty() ? "" : args[0].c_str());
      return std::string();
    });
  } catch (const Error& e) {
    *error = e.what();
    return nullptr;
  }
  return interp;
}

Interp::Interp(Tcl_Interp* interp) : interp_(interp) { Tcl_Preserve(interp_); }

Interp::~Interp() {
  StopWatching();
  if (!Tcl_InterpDeleted(interp_)) Tcl_DeleteInterp(interp_);
  Tcl_Release(interp_);
}

std::string Interp::Call(std::initializer_list<Word> words) {
  return CallObj(std::vector<Word>(words)).str();
}

std::string Interp::Call(const std::vector<Word>& words) {
  return CallObj(words).str();
}

Obj Interp::CallObj(const std::vector<Word>& words) {
  std::vector<Tcl_Obj*> objv;
  objv.reserve(words.size());
  for (const Word& w : words) objv.push_back(w.obj().get());
  Tcl_Preserve(interp_);
  int code = Tcl_EvalObjv(interp_, static_cast<int>(objv.size()), objv.data(),
                          TCL_EVAL_GLOBAL);
  // Take our own reference before anything else can run.
  Obj result(Tcl_GetObjResult(interp_));
  Tcl_ResetResult(interp_);
  Tcl_Release(interp_);
  if (code != TCL_OK) throw Error(result.str());
  return result;
}

void Interp::Command(const std::string& name, Callback fn) {
  auto* data = new SharedCallback(std::make_shared<Callback>(std::move(fn)));
  Tcl_CreateObjCommand(interp_, name.c_str(), Trampoline, data, DeleteCallback);
}

void Interp::BreakingCommand(const std::string& name, Callback fn) {
  auto* data = new SharedCallback(std::make_shared<Callback>(std::move(fn)));
  Tcl_CreateObjCommand(interp_, name.c_str(), BreakingTrampoline, data,
                       DeleteCallback);
}

std::vector<std::string> Interp::SplitList(const std::string& list) {
  Obj obj = Obj::Text(list);
  int count = 0;
  Tcl_Obj** elements = nullptr;
  if (Tcl_ListObjGetElements(interp_, obj.get(), &count, &elements) != TCL_OK) {
    Obj message(Tcl_GetObjResult(interp_));
    Tcl_ResetResult(interp_);
    throw Error(message.str());
  }
  std::vector<std::string> out;
  out.reserve(count);
  for (int i = 0; i < count; ++i) out.push_back(ObjText(elements[i]));
  return out;
}

Status Interp::PutPhoto(const std::string& name, const RgbaImage& image) {
  try {
    Call({"image", "create", "photo", name});
  } catch (const Error& e) {
    return Status::Error(e.what());
  }
  Tk_PhotoHandle photo = Tk_FindPhoto(interp_, name.c_str());
  if (photo == nullptr) return Status::Error("no photo image " + name);
  Tk_PhotoImageBlock block;
  block.pixelPtr = const_cast<unsigned char*>(image.pixels.data());
  block.width = image.width;
  block.height = image.height;
  block.pitch = image.width * 4;
  block.pixelSize = 4;
  block.offset[0] = 0;
  block.offset[1] = 1;
  block.offset[2] = 2;
  block.offset[3] = 3;
  if (Tk_PhotoPutBlock(interp_, photo, &block, 0, 0, image.width, image.height,
                       TK_PHOTO_COMPOSITE_SET) != TCL_OK) {
    Obj message(Tcl_GetObjResult(interp_));
    Tcl_ResetResult(interp_);
    return Status::Error(message.str());
  }
  return Status::OK();
}

void Interp::MapChildWindowsEarly(const std::string& path) {
  Tk_Window main = Tk_MainWindow(interp_);
  if (main == nullptr) return;
  Tk_Window window = Tk_NameToWindow(interp_, path.c_str(), main);
  if (window == nullptr) {
    Tcl_ResetResult(interp_);
    return;
  }
  if (Tk_IsMapped(window)) return;
  Tk_MakeWindowExist(window);
  MapSubwindowsNow(window);
}

std::optional<WorkArea> Interp::ScreenWorkArea() {
  Tk_Window main = Tk_MainWindow(interp_);
  if (main == nullptr) return std::nullopt;
  return WorkAreaOf(main);
}

bool Interp::MainWindowAlive() const {
  return Tk_MainWindow(interp_) != nullptr;
}

void Interp::MainLoop() { Tk_MainLoop(); }

InputMethodsOff::InputMethodsOff(Interp& interp) : interp_(interp) {
  previous_ = interp_.Call({"tk", "useinputmethods"});
  interp_.Call({"tk", "useinputmethods", 0});
}

InputMethodsOff::~InputMethodsOff() {
  try {
    if (interp_.MainWindowAlive()) {
      interp_.Call({"tk", "useinputmethods", previous_});
    }
  } catch (const std::exception& e) {
    // A destructor has nobody to tell but the console.
    std::fprintf(stderr, "Error interno: %s\n", e.what());
  }
}

}  // namespace zarvek::tk
