uniform float ALPHA_FACTOR;
varying vec4 colour;

void main()
{
    gl_FragColor = vec4(colour.rgb, colour.a * ALPHA_FACTOR);
}
