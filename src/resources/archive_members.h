// Every name the program reads from the resource archive, in one place. Member names are
// ASCII; they are kept wide because the archive reader looks them up as wide strings.
#pragma once
#include <cstdint>

namespace WorkSpace {

extern const wchar_t kEffectMember[];    // L"Resource/ParticleShader.fx"
extern const wchar_t kParticleMember[];  // L"Resource/Particle.tga"
extern const wchar_t kLogoMember[];      // L"Resource/logo.png"

// Language number 0..6 -> its language file and pictures. Any other number means English.
constexpr uint32_t kLanguageCount = 7;
const wchar_t* LanguageFileMember(uint32_t language);    // L"Resource/Language_en.csv" ...
const wchar_t* ListBackgroundMember(uint32_t language);  // L"Resource/ListBoxEnglishFone.png" ...
const wchar_t* ErrorPictureMember(uint32_t language);    // L"Resource/EnglishErrorFone.png" ...

}  // namespace WorkSpace
