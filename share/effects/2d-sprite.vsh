// Sprites of the 2D batch: positions already in clip space, one texture coordinate set.
attribute vec3 DT_POSITION;
attribute vec2 DT_TEX0;
uniform mat4 PROJTM;
varying vec2 uv;

void main()
{
    uv = DT_TEX0;
    gl_Position = PROJTM * vec4(DT_POSITION, 1.0);
}
