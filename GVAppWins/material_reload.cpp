#include "GVAppWins/material_reload.h"

#include <OGRE/Ogre.h>
#include <OGRE/OgreHighLevelGpuProgramManager.h>
#include <OGRE/OgreScriptCompiler.h>

#include <functional>

namespace {

const Ogre::String& autodetect() { return Ogre::ResourceGroupManager::AUTODETECT_RESOURCE_GROUP_NAME; }

void logLine(const Ogre::String& text) { Ogre::LogManager::getSingleton().logMessage(text, Ogre::LML_NORMAL); }

// The one log line of a failed reload step.
void logFailure(int line, const Ogre::String& description) {
  logLine("Exception: FILE: " + Ogre::String(__FILE__) + " LINE: " + Ogre::StringConverter::toString(line) +
          " DESC: " + description);
}

// Every trimmed line of the script; nothing when the file cannot be opened.
void forEachLine(const Ogre::String& file, const std::function<void(const Ogre::String&)>& fn) {
  Ogre::DataStreamPtr stream;
  try {
    stream = Ogre::ResourceGroupManager::getSingleton().openResource(
        file, Ogre::ResourceGroupManager::DEFAULT_RESOURCE_GROUP_NAME, nullptr, false);
    if (!stream) stream = Ogre::ResourceGroupManager::getSingleton().openResource(file, autodetect(), nullptr, false);
  } catch (const Ogre::Exception&) {
    stream.reset();
  }
  if (!stream) return;
  while (!stream->eof()) {
    Ogre::String line = stream->getLine(true);
    Ogre::StringUtil::trim(line);
    fn(line);
  }
  stream->close();
}

Ogre::ResourceManager* managerOf(int kind) {
  if (kind == 0) return Ogre::MaterialManager::getSingletonPtr();
  return Ogre::HighLevelGpuProgramManager::getSingletonPtr();
}

void unloadKind(const Ogre::String& file, int kind) {
  forEachLine(file, [kind](const Ogre::String& line) {
    const Ogre::String name = GVScriptLineResource(line, kind);
    if (!name.empty()) GVUnloadOgreResource(managerOf(kind), name);
  });
}

// Gathers the script compiler's errors while one script is parsed.
class ErrorCollector : public Ogre::ScriptCompilerListener {
 public:
  Ogre::String errors;
  void handleError(Ogre::ScriptCompiler*, Ogre::uint32, const Ogre::String& file, int line,
                   const Ogre::String& msg) override {
    if (!errors.empty()) errors += "; ";
    errors += file + "(" + Ogre::StringConverter::toString(line) + "): " + msg;
  }
};

}  // namespace

Ogre::String GVScriptLineResource(const Ogre::String& line, int kind) {
  static const char* const kKeyword[3] = {"material", "vertex_program", "fragment_program"};
  static const char* const kReference[3] = {nullptr, "vertex_program_ref", "fragment_program_ref"};
  if (kind < 0 || kind > 2 || !Ogre::StringUtil::startsWith(line, kKeyword[kind], true)) return "";
  if (kReference[kind] && Ogre::StringUtil::startsWith(line, kReference[kind], true)) return "";
  const Ogre::StringVector tokens = Ogre::StringUtil::split(line, kind == 0 ? " \t:" : " \t");
  for (size_t k = 1; k < tokens.size(); ++k) {
    Ogre::String t = tokens[k];
    Ogre::StringUtil::trim(t);
    if (!t.empty()) return t;
  }
  return "";
}

void GVUnloadOgreResource(Ogre::ResourceManager* manager, const Ogre::String& name) {
  if (!manager) return;
  try {
    Ogre::ResourcePtr r = manager->getResourceByName(name, autodetect());
    if (!r) return;
    r->unload();
    manager->remove(r);
  } catch (const Ogre::Exception& e) {
    logLine(e.getFullDescription());
  }
}

void GVLoadOgreResource(Ogre::ResourceManager* manager, const Ogre::String& group, const Ogre::String& name) {
  if (!manager) return;
  try {
    // Only what the parse defined: loading an unknown name would make an empty resource.
    Ogre::ResourcePtr r = manager->getResourceByName(name, autodetect());
    if (!r) return;
    r = manager->load(name, r->getGroup());
    if (r) r->touch();
  } catch (const Ogre::Exception& e) {
    logLine(e.getFullDescription());
  }
}

void GVUnloadMaterials(const Ogre::String& file) {
  if (file.empty()) return logLine("Filename is empty.");
  unloadKind(file, 0);
}

void GVUnloadVertexPrograms(const Ogre::String& file) {
  if (file.empty()) return logLine("Material filename is empty.");
  unloadKind(file, 1);
}

void GVUnloadFragmentPrograms(const Ogre::String& file) {
  if (file.empty()) return logLine("Material filename is empty.");
  unloadKind(file, 2);
}

void GVReloadMaterial(const Ogre::String& material, const Ogre::String& group, const Ogre::String& file,
                      bool parse) {
  if (material.empty()) return logLine("Material name is empty.");
  if (group.empty()) return logLine("Group name is empty.");
  if (file.empty()) return logLine("Filename is empty.");
  GVUnloadMaterials(file);
  GVUnloadVertexPrograms(file);
  GVUnloadFragmentPrograms(file);
  if (!parse) return;

  Ogre::DataStreamPtr stream;
  try {
    stream = Ogre::ResourceGroupManager::getSingleton().openResource(file, group, nullptr, false);
    if (!stream) stream = Ogre::ResourceGroupManager::getSingleton().openResource(file, autodetect(), nullptr, false);
  } catch (const Ogre::Exception&) {
    stream.reset();
  }
  if (stream) {
    // The script compiler reports syntax errors to its listener rather than
    // throwing: they are logged like an engine exception.
    ErrorCollector collector;
    Ogre::ScriptCompilerManager* compiler = Ogre::ScriptCompilerManager::getSingletonPtr();
    Ogre::ScriptCompilerListener* previous = compiler ? compiler->getListener() : nullptr;
    if (compiler) compiler->setListener(&collector);
    try {
      Ogre::MaterialManager::getSingleton().parseScript(stream, group);
      if (compiler) compiler->setListener(previous);
      if (!collector.errors.empty()) logFailure(__LINE__, collector.errors);
      Ogre::MaterialPtr m = Ogre::MaterialManager::getSingleton().getByName(material, autodetect());
      if (m) {
        m->compile(true);
        m->load(false);
      }
    } catch (const Ogre::Exception& e) {
      if (compiler) compiler->setListener(previous);
      logFailure(__LINE__, e.getFullDescription());
    }
    stream->close();
  }

  forEachLine(file, [&group](const Ogre::String& line) {
    for (int kind = 0; kind < 3; ++kind) {
      const Ogre::String name = GVScriptLineResource(line, kind);
      if (!name.empty()) GVLoadOgreResource(managerOf(kind), group, name);
    }
  });
}
