#version 130
// The panel plane: screen position from the whole model-to-clip product.
in vec4 position;
in vec2 position_tex;
in vec3 position_normal;
out vec2 fs_tex;
uniform mat4 model_world;
uniform mat4 world_projection;
uniform mat4 model_projection;
void main()
{
    gl_Position = model_projection * position;
    fs_tex = position_tex;
}
//~
