#pragma once
// The program's resources, as the platform's loader finds them. A program registers its
// menu resources (text in the format of res/menu.txt) before it asks for them with
// LoadMenuA; the build turns res/ into an object that registers them at start-up.

namespace platform {

// Keeps `text` (which must outlive the program) as menu resource `id`.
void RegisterMenuResource(int id, const char* text);
// The text of menu resource `id`, or nullptr.
const char* FindMenuResource(int id);

// Registers a menu resource when the program starts.
struct MenuResourceRegistrar {
  MenuResourceRegistrar(int id, const char* text) { RegisterMenuResource(id, text); }
};

}  // namespace platform
