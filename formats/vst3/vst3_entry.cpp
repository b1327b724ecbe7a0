// The module's exports: the plug-in factory (one audio effect class, named as the VST2
// build is) and the module entry and exit the interface asks for on each system.
#include <cstdio>
#include <cstring>
#include <new>

#include "plugin_identity.h"
#include "quendral_vst3.h"
#include "vst3_identity.h"
#include "vst3_text.h"

namespace panner {

namespace {

template <std::size_t N>
void copyField(char (&field)[N], const char* text) {
  std::snprintf(field, N, "%s", text);
}

class Vst3Factory final : public vst3::IPluginFactory3 {
 public:
  vst3::tresult VST3_CALL queryInterface(const vst3::TUID interfaceId, void** obj) override {
    if (!obj) return vst3::kInvalidArgument;
    if (vst3::sameUid(interfaceId, vst3::FUnknown::iid) ||
        vst3::sameUid(interfaceId, vst3::IPluginFactory::iid) ||
        vst3::sameUid(interfaceId, vst3::IPluginFactory2::iid) ||
        vst3::sameUid(interfaceId, vst3::IPluginFactory3::iid)) {
      *obj = this;
      return vst3::kResultOk;
    }
    *obj = nullptr;
    return vst3::kNoInterface;
  }
  // One factory for the module's whole life.
  vst3::uint32 VST3_CALL addRef() override { return 1; }
  vst3::uint32 VST3_CALL release() override { return 1; }

  vst3::tresult VST3_CALL getFactoryInfo(vst3::PFactoryInfo* info) override {
    if (!info) return vst3::kInvalidArgument;
    std::memset(info, 0, sizeof *info);
    copyField(info->vendor, identity::kVendor);
    copyField(info->url, vst3id::kUrl);
    copyField(info->email, vst3id::kEmail);
    info->flags = vst3::PFactoryInfo::kUnicode;
    return vst3::kResultOk;
  }

  vst3::int32 VST3_CALL countClasses() override { return 1; }

  vst3::tresult VST3_CALL getClassInfo(vst3::int32 index, vst3::PClassInfo* info) override {
    if (index != 0 || !info) return vst3::kInvalidArgument;
    std::memset(info, 0, sizeof *info);
    std::memcpy(info->cid, vst3id::kClassId.bytes, 16);
    info->cardinality = vst3::kManyInstances;
    copyField(info->category, vst3::kVstAudioEffectClass);
    copyField(info->name, identity::kEffectName);
    return vst3::kResultOk;
  }

  vst3::tresult VST3_CALL getClassInfo2(vst3::int32 index, vst3::PClassInfo2* info) override {
    if (index != 0 || !info) return vst3::kInvalidArgument;
    std::memset(info, 0, sizeof *info);
    std::memcpy(info->cid, vst3id::kClassId.bytes, 16);
    info->cardinality = vst3::kManyInstances;
    copyField(info->category, vst3::kVstAudioEffectClass);
    copyField(info->name, identity::kEffectName);
    copyField(info->subCategories, vst3id::kSubCategories);
    copyField(info->vendor, identity::kVendor);
    std::snprintf(info->version, sizeof info->version, "%d",
                  static_cast<int>(identity::kVendorVersion));
    copyField(info->sdkVersion, vst3id::kSdkVersion);
    return vst3::kResultOk;
  }

  vst3::tresult VST3_CALL getClassInfoUnicode(vst3::int32 index, vst3::PClassInfoW* info) override {
    if (index != 0 || !info) return vst3::kInvalidArgument;
    std::memset(info, 0, sizeof *info);
    std::memcpy(info->cid, vst3id::kClassId.bytes, 16);
    info->cardinality = vst3::kManyInstances;
    copyField(info->category, vst3::kVstAudioEffectClass);
    coreTextToUtf16(identity::kEffectName, info->name, 64);
    copyField(info->subCategories, vst3id::kSubCategories);
    coreTextToUtf16(identity::kVendor, info->vendor, 64);
    char version[16];
    std::snprintf(version, sizeof version, "%d", static_cast<int>(identity::kVendorVersion));
    coreTextToUtf16(version, info->version, 64);
    coreTextToUtf16(vst3id::kSdkVersion, info->sdkVersion, 64);
    return vst3::kResultOk;
  }

  vst3::tresult VST3_CALL createInstance(vst3::FIDString cid, vst3::FIDString interfaceId,
                                         void** obj) override {
    if (!obj) return vst3::kInvalidArgument;
    *obj = nullptr;
    if (!vst3::sameUid(cid, vst3id::kClassId)) return vst3::kNoInterface;
    auto* plugin = new (std::nothrow) QuendralVst3();
    if (!plugin) return vst3::kOutOfMemory;
    if (!plugin->constructed()) {
      plugin->release();
      return vst3::kOutOfMemory;
    }
    const vst3::tresult answer =
        plugin->queryInterface(reinterpret_cast<const char*>(interfaceId), obj);
    plugin->release();  // the host's reference, if it got one, keeps the object
    return answer;
  }

  vst3::tresult VST3_CALL setHostContext(vst3::FUnknown*) override { return vst3::kResultOk; }
};

Vst3Factory factory;

}  // namespace

}  // namespace panner

VST3_EXPORT vst3::IPluginFactory* VST3_CALL GetPluginFactory() { return &panner::factory; }

#if defined(_WIN32)
VST3_EXPORT bool InitDll() { return true; }
VST3_EXPORT bool ExitDll() { return true; }
#else
VST3_EXPORT bool ModuleEntry(void*) { return true; }
VST3_EXPORT bool ModuleExit() { return true; }
#endif
