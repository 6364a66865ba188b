#pragma once
// TRegistry: the settings key, a typed store kept in one file per executable
// name: $XDG_CONFIG_HOME/Quellmark/<name>.settings (~/.config when the
// variable is unset). Integer, Boolean, string and 64-bit values keep their
// types. Key paths and value names match without regard to case.
//
// The file is plain UTF-8 text, one key per section:
//   [HKEY_CURRENT_USER\Software\Quellmark\tablo]
//   XWidth=int:768
//   ShowTime=bool:1
//   Title=str:Cup final\nsecond line
//   TimeStart=int64:1733550000000
// In names '\', '=', a leading '[' or ';', and line breaks are written as
// \\, \=, \[, \; and \n / \r; in strings '\' and line breaks are escaped the
// same way. Lines starting with ';' are comments. Lines that cannot be read
// are skipped. Changes are kept until CloseKey, a change of RootKey, Flush or
// the object's end (LazyWrite, as made) or saved at once (LazyWrite false);
// a save merges them into the file as it is then and replaces it atomically.
// A failed save raises ERegistryException from CloseKey/Flush/the write (the
// object's end shows it through Application->HandleException) and leaves the
// old file as it was.
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>
#include "toolkit/Classes.h"

TK_EXCEPTION(ERegistryException, Exception)

using HKEY = uintptr_t;
constexpr HKEY HKEY_CLASSES_ROOT = 0x80000000u, HKEY_CURRENT_USER = 0x80000001u, HKEY_LOCAL_MACHINE = 0x80000002u,
               HKEY_USERS = 0x80000003u, HKEY_CURRENT_CONFIG = 0x80000005u;

enum TRegDataType { rdUnknown, rdString, rdExpandString, rdInteger, rdBinary, rdBool, rdInt64 };

class TRegistry : public TObject {
 public:
  TRegistry();
  ~TRegistry() override;
  HKEY RootKey() const { return root_; }
  void SetRootKey(HKEY k);
  // Opens a key: a path starting with '\' is taken from the root, any other
  // from the key open now. Without CanCreate an absent key is not opened.
  bool OpenKey(const String& Key, bool CanCreate);
  bool OpenKeyReadOnly(const String& Key) { return OpenKey(Key, false); }
  // Saves the pending changes, then closes the key.
  void CloseKey();
  // Saves the pending changes now.
  void Flush();
  bool LazyWrite = true;
  bool HasCurrentKey() const { return open_; }
  // The open key's path without the root, e.g. "Software\Quellmark\tablo".
  const String& CurrentPath() const { return path_; }
  bool KeyExists(const String& Key);
  bool DeleteKey(const String& Key);
  bool ValueExists(const String& Name);
  bool DeleteValue(const String& Name);
  TRegDataType GetDataType(const String& Name);
  void GetValueNames(TStrings* Strings);
  void GetKeyNames(TStrings* Strings);

  // An absent value, or one of another type, raises ERegistryException
  // "Invalid data type for '<name>'".
  int ReadInteger(const String& Name);
  bool ReadBool(const String& Name);
  int64_t ReadInt64(const String& Name);
  // An absent value gives ""; a value of another type raises.
  String ReadString(const String& Name);
  void WriteInteger(const String& Name, int Value);
  void WriteBool(const String& Name, bool Value);
  void WriteString(const String& Name, const String& Value);
  void WriteInt64(const String& Name, int64_t Value);

  // When the settings file holds lines that cannot be read (a damaged or
  // foreign file), copies it whole to its name + ".bad" (once: an equal copy
  // is not made again) and returns that name; else returns "".
  String KeepDamagedFile();
  // The file of this executable's settings.
  static String StoreFileName();
  String ClassName() const override { return "TRegistry"; }

  struct Value {
    String name;
    TRegDataType type = rdUnknown;
    String text;       // strings
    int64_t num = 0;   // integers, Booleans, 64-bit
  };
  struct Key {
    String path;       // root name + '\' + path
    std::vector<Value> values;
    std::unordered_map<String, size_t> index;   // folded name -> values index
    Value* find(const String& name);
    void add(Value v);
    void reindex();
  };
  // A change not saved yet.
  struct Op {
    enum Kind { SetValue, DeleteValue, CreateKey, DeleteKey } kind;
    String key;        // full path
    Value value;
  };

 private:
  bool load(bool mustRead);
  // The file as it is now with this object's pending changes.
  void refresh();
  void apply(const Op& op);
  void change(Op op);
  std::vector<Op> pending_;
  void save();
  String fullPath(const String& rel) const;
  Key* findKey(const String& full);
  Value* findValue(const String& name);
  const Value& typed(const String& name, TRegDataType t);
  void write(const String& name, TRegDataType t, const String& text, int64_t num);
  // The file as last read or written by this object: while it is unchanged on
  // disk a read needs no new parse.
  struct Stamp {
    bool exists = false;
    uint64_t dev = 0, ino = 0;
    int64_t size = 0, mtimeNs = 0, ctimeNs = 0;
    bool operator==(const Stamp&) const = default;
  };
  static Stamp stampNow();
  bool loaded_ = false;
  Stamp stamp_;
  int damagedLines_ = 0;   // lines of the file as read that could not be read
  HKEY root_ = HKEY_CURRENT_USER;
  bool open_ = false;
  String path_;
  std::vector<Key> keys_;
};
