#version 130
// A tile half: placed in the world by its model matrix, then projected.
in vec4 position;
in vec2 position_tex;
in vec3 position_normal;
out vec2 fs_tex;
uniform mat4 model_world;
uniform mat4 world_projection;
uniform mat4 model_projection;
void main()
{
    gl_Position = world_projection * (model_world * position);
    fs_tex = position_tex;
}
//~
