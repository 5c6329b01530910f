// The program's hooks into the engine's frame.
#pragma once

#include <OGRE/OgreRenderQueueListener.h>
#include <OGRE/OgreRenderTargetListener.h>

struct GVView;

// Ends every render-queue group with a plain white pass current, on which the
// view's OpenGL overlays draw inside the engine's frame.
class OpenGLListener : public Ogre::RenderQueueListener {
 public:
  ~OpenGLListener() override = default;
  void renderQueueStarted(Ogre::uint8 queueGroupId, const Ogre::String& invocation,
                          bool& skipThisInvocation) override;
  void renderQueueEnded(Ogre::uint8 queueGroupId, const Ogre::String& invocation,
                        bool& repeatThisInvocation) override;
};

// Listens on the render-to-texture target.
class RTTListener : public Ogre::RenderTargetListener {
 public:
  explicit RTTListener(GVView* view = nullptr) : mView(view) {}
  ~RTTListener() override = default;
  void preRenderTargetUpdate(const Ogre::RenderTargetEvent& event) override;
  void postRenderTargetUpdate(const Ogre::RenderTargetEvent& event) override;

  GVView* mView;
};

// Forgets the white pass found by the listener; called when the engine shuts
// down, whose materials go with it.
void GVForgetOverlayPass();
