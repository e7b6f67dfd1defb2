#version 130
// One half of a flip tile: half a glyph cell from the atlas laid on the
// tile's own window of crumpled paper, the pair's outer corners rounded and
// faded, and a light line along the hinge.
// fs_tex.x runs across the half, fs_tex.y from the hinge (0) to the free edge (1).
in vec2 fs_tex;
uniform sampler2D s;
uniform float iTime;
uniform float viewportWidth;
uniform float viewportHeight;
uniform float tile_top;
uniform float tile_left;
uniform float tile_mode;
uniform float tile_angle;
uniform int index;
uniform int is_animator;
void main()
{
    float x = fs_tex.x;
    float y = fs_tex.y;

    // The glyph cell is 200 x 288 atlas pixels, the hinge at its middle row.
    float gu = (tile_left + 200.0 * x) / 2048.0;
    float gv = 0.0;
    if (tile_mode <= 0.0)
    {
        gv = 1.0 - (tile_top + 144.0 + 144.0 * y) / 2048.0;
    }
    else if (tile_mode <= 5.0)
    {
        gv = 1.0 - (tile_top + 144.0 * (1.0 - y)) / 2048.0;
    }
    vec4 g = texture(s, vec2(gu, gv));

    // Each tile shows its own 0.12 x 0.12 window of the paper.
    float shift_x = 0.0;
    if (index == 5 || index == 7 || index == 9)
    {
        shift_x = 0.12;
    }
    float shift_y = 0.0;
    if (index == 6 || index == 7)
    {
        shift_y = 0.12;
    }
    vec4 p = texture(s, vec2(0.52 + shift_x + 0.12 * x, 0.02 + shift_y + 0.12 * y));
    p.a = 0.0;

    float L = length(g.rgb);
    vec4 color = p * (1.0 - 0.8 * L) + g * 0.8 * L;
    color.a = 1.0;

    // Distance into the rounded, faded border: the outer side and the free
    // edge of the pair only.
    float d = 0.0;
    if (tile_mode <= 5.0)
    {
        if (index == 4 || index == 6 || index == 8 || index == 10)
        {
            if (x <= 0.18 && y >= 0.82)
            {
                d = distance(vec2(x, y), vec2(0.18, 0.82));
            }
            else if (x <= 0.18 && y < 0.82)
            {
                d = 0.18 - x;
            }
            else if (x > 0.18 && y > 0.82)
            {
                d = y - 0.82;
            }
        }
        else if (index == 5 || index == 7 || index == 9 || index == 11)
        {
            if (x >= 0.82 && y >= 0.82)
            {
                d = distance(vec2(x, y), vec2(0.82, 0.82));
            }
            else if (x < 0.82 && y > 0.82)
            {
                d = y - 0.82;
            }
            else if (x > 0.82 && y < 0.82)
            {
                d = x - 0.82;
            }
        }
    }

    // Resting halves fade out over the last 0.02; flipping halves end hard.
    if (is_animator == 0)
    {
        if (d >= 0.16)
        {
            color.a = (0.18 - d) * 50.0;
        }
    }
    else
    {
        if (d >= 0.16)
        {
            color.a = 0.0;
        }
    }
    if (d >= 0.18)
    {
        color.a = 0.0;
    }

    // The hinge line.
    if (y < 0.008)
    {
        color = vec4(0.8, 0.8, 0.8, 1.0);
    }
    gl_FragColor = color;
}
//~
