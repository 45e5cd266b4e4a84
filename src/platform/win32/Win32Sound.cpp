#include "platform/win32/Win32Sound.h"

#include <windows.h>

#include <mmsystem.h>

namespace quendal {

void Win32Sound::PlayResource(unsigned waveId, bool loop) {
  const DWORD flags = SND_RESOURCE | SND_ASYNC | (loop ? SND_LOOP : 0);
  PlaySoundW(MAKEINTRESOURCEW(waveId), GetModuleHandleW(nullptr), flags);
}

// A locked resource stays in place as long as the module is loaded, so the sound service may
// keep playing from it after this returns.
void Win32Sound::LoopResourceFromMemory(unsigned waveId) {
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(waveId), L"WAVE");
  if (resource == nullptr) return;
  HGLOBAL loaded = LoadResource(module, resource);
  if (loaded == nullptr) return;
  const void* image = LockResource(loaded);
  if (image == nullptr) return;
  sndPlaySoundW(static_cast<LPCWSTR>(image), SND_ASYNC | SND_NODEFAULT | SND_MEMORY | SND_LOOP);
}

void Win32Sound::StopAll() { PlaySoundW(nullptr, nullptr, SND_PURGE); }

void Win32Sound::StopMemorySound() { sndPlaySoundW(nullptr, 0); }

}  // namespace quendal
