// Lines and rectangles of the 2D batch: a colour per vertex.
attribute vec3 DT_POSITION;
attribute vec4 DT_DIFFUSE;
uniform mat4 PROJTM;
varying vec4 colour;

void main()
{
    colour = DT_DIFFUSE;
    gl_Position = PROJTM * vec4(DT_POSITION, 1.0);
}
