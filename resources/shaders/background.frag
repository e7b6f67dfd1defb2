#version 130
// Brushed metal behind the clock, coloured from the screen position alone,
// with a circular vignette that leaves the corners black.
in vec2 fs_tex;
uniform sampler2D s;
uniform float iTime;
uniform float viewportWidth;
uniform float viewportHeight;
uniform float tile_top;
void main()
{
    float ratio = viewportWidth / viewportHeight;
    float u = gl_FragCoord.x / viewportWidth - 0.5;
    float w = gl_FragCoord.y / viewportHeight - 0.5;
    float zoom = 1.0;
    float v = w / ratio * zoom;
    vec4 col = texture(s, vec2(u + 0.5, v + 0.5));
    float b = 1.0 - 1.75 * length(vec2(u, v * ratio));
    gl_FragColor = vec4(col.rgb * b, 1.0);
}
//~
