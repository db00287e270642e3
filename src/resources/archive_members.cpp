// The resource archive's member names, and the language number's choice of language file,
// picture-list background and error picture (English for a number it does not know).
#include "resources/archive_members.h"

namespace WorkSpace {

const wchar_t kEffectMember[] = L"Resource/ParticleShader.fx";
const wchar_t kParticleMember[] = L"Resource/Particle.tga";
const wchar_t kLogoMember[] = L"Resource/logo.png";

namespace {
const wchar_t* const kLanguageFiles[kLanguageCount] = {
    L"Resource/Language_en.csv", L"Resource/Language_ru.csv", L"Resource/Language_de.csv",
    L"Resource/Language_fr.csv", L"Resource/Language_es.csv", L"Resource/Language_it.csv",
    L"Resource/Language_jp.csv",
};
const wchar_t* const kListBackgrounds[kLanguageCount] = {
    L"Resource/ListBoxEnglishFone.png", L"Resource/ListBoxRussianFone.png",
    L"Resource/ListBoxGermanFone.png",  L"Resource/ListBoxFranceFone.png",
    L"Resource/ListBoxSpannishFone.png", L"Resource/ListBoxItalianFone.png",
    L"Resource/ListBoxJapanFone.png",
};
const wchar_t* const kErrorPictures[kLanguageCount] = {
    L"Resource/EnglishErrorFone.png", L"Resource/RussianErrorFone.png",
    L"Resource/GermanErrorFone.png",  L"Resource/FranceErrorFone.png",
    L"Resource/SpannishErrorFone.png", L"Resource/ItalianErrorFone.png",
    L"Resource/JapanErrorFone.png",
};

const wchar_t* Pick(const wchar_t* const (&table)[kLanguageCount], uint32_t language) {
    return table[language < kLanguageCount ? language : 0];
}
}  // namespace

const wchar_t* LanguageFileMember(uint32_t language) { return Pick(kLanguageFiles, language); }
const wchar_t* ListBackgroundMember(uint32_t language) { return Pick(kListBackgrounds, language); }
const wchar_t* ErrorPictureMember(uint32_t language) { return Pick(kErrorPictures, language); }

}  // namespace WorkSpace
