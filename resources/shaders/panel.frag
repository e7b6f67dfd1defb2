#version 130
// The dark panel picture of the atlas; the panel is shown as flat grey.
in vec2 fs_tex;
uniform sampler2D s;
uniform float iTime;
uniform float viewportWidth;
uniform float viewportHeight;
uniform float tile_top;
void main()
{
    vec2 p = vec2(768.0 / 2048.0 + (1.0 - 768.0 / 2048.0) * fs_tex.x,
                  1.0 - 768.0 / 2048.0 * (1.0 - fs_tex.y));
    vec4 c = texture(s, p);
    if (c.a < 0.1)
    {
        c.a = 0.0;
    }
    c = vec4(0.3, 0.3, 0.3, 1.0);
    gl_FragColor = c;
}
//~
