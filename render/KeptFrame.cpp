#include "render/KeptFrame.h"

#include "shell/GlEntryPoints.h"

namespace {
constexpr GLsizei kSamples = 4;
}  // namespace

bool KeptFrame::Resize(int width, int height) {
  if (framebuffer_ == 0) {
    glGenFramebuffers(1, &framebuffer_);
    glGenRenderbuffers(1, &colour_);
    glGenRenderbuffers(1, &depth_);
  }
  glBindRenderbuffer(GL_RENDERBUFFER, colour_);
  glRenderbufferStorageMultisample(GL_RENDERBUFFER, kSamples, GL_RGBA8, width, height);
  glBindRenderbuffer(GL_RENDERBUFFER, depth_);
  glRenderbufferStorageMultisample(GL_RENDERBUFFER, kSamples, GL_DEPTH24_STENCIL8, width, height);
  Bind();
  // Drawn in the window's own orientation, whose rows run from the top: an
  // edge that passes through a sample is then decided as in the window.
  if (HasGlExtension("GL_MESA_framebuffer_flip_y")) {
    glFramebufferParameteri(GL_FRAMEBUFFER, GL_FRAMEBUFFER_FLIP_Y_MESA, GL_TRUE);
  }
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour_);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, depth_);
  return glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
}

void KeptFrame::Resolve(int x, int y, int width, int height, unsigned target) {
  glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer_);
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, target);
  glBlitFramebuffer(x, y, x + width, y + height, x, y, x + width, y + height,
                    GL_COLOR_BUFFER_BIT, GL_NEAREST);
  Bind();
}

void KeptFrame::Bind() { glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_); }

void KeptFrame::DrawToWindow() { glBindFramebuffer(GL_FRAMEBUFFER, 0); }
